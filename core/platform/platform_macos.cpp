#include "core/platform/platform.h"

#include <pwd.h>
#include <unistd.h>

namespace moorix::platform {

const std::string& lsofPath() {
    static const std::string path = "/usr/sbin/lsof";
    return path;
}

const std::string& psPath() {
    static const std::string path = "/bin/ps";
    return path;
}

bool isReadableCwdName(std::string_view) { return true; }

const std::string& loginName() {
    static const std::string name = [] {
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_name) return std::string(entry->pw_name);
        return std::string();
    }();
    return name;
}

} // namespace moorix::platform
