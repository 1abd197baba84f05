#include "core/platform/platform.h"

#include <mach-o/dyld.h>
#include <mach/mach_time.h>
#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <cstdint>
#include <cstdlib>

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

const std::vector<std::string>& dockerCandidates() {
    static const std::vector<std::string> paths{"/usr/local/bin/docker", "/opt/homebrew/bin/docker"};
    return paths;
}

std::string executablePath() {
    std::uint32_t size = 0;
    ::_NSGetExecutablePath(nullptr, &size);
    std::string raw(size, '\0');
    if (::_NSGetExecutablePath(raw.data(), &size) != 0) return {};
    char resolved[PATH_MAX];
    if (!::realpath(raw.c_str(), resolved)) return {};
    return resolved;
}

double continuousSeconds() {
    static const mach_timebase_info_data_t timebase = [] {
        mach_timebase_info_data_t info{};
        ::mach_timebase_info(&info);
        return info;
    }();
    const double ticks = static_cast<double>(::mach_continuous_time());
    return ticks * timebase.numer / timebase.denom / 1e9;
}

} // namespace moorix::platform
