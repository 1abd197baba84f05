// The parts of the platform seam that POSIX answers alike on macOS and Linux.
#include "core/platform/kernel_sources.h"
#include "core/platform/platform.h"

#include <pwd.h>
#include <unistd.h>

namespace moorix::platform {

const std::string& loginName() {
    static const std::string name = [] {
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_name)
            return std::string(entry->pw_name);
        return std::string();
    }();
    return name;
}

std::string userName(std::uint32_t uid) {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(static_cast<uid_t>(uid), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_name)
        return {};
    return found->pw_name;
}

} // namespace moorix::platform
