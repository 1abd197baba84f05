// The parts of the platform seam that POSIX answers alike on macOS and Linux.
#include "core/platform/platform.h"

#include <pwd.h>
#include <unistd.h>

namespace moorix::platform {

const std::string& loginName() {
    static const std::string name = [] {
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_name) return std::string(entry->pw_name);
        return std::string();
    }();
    return name;
}

} // namespace moorix::platform
