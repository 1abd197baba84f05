#include "core/platform/process_info.h"

namespace moorix::PortCore {

std::string processName(std::string_view comm) {
    while (comm.size() > 1 && comm.back() == '/') comm.remove_suffix(1);
    const std::size_t slash = comm.rfind('/');
    return std::string(slash == std::string_view::npos ? comm : comm.substr(slash + 1));
}

} // namespace moorix::PortCore
