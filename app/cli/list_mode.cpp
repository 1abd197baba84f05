#include "app/cli/modes.h"

#include "core/listing.h"

#include <cstdio>

namespace moorix::cli {

int listMode() {
    const std::string text = writePortList(PortCore::listPorts()) + "\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

} // namespace moorix::cli
