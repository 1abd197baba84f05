#include "core/platform/platform.h"

#include <pwd.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <initializer_list>

namespace moorix::platform {

namespace {

std::string firstExecutable(std::initializer_list<const char*> candidates) {
    for (const char* path : candidates)
        if (::access(path, X_OK) == 0) return path;
    return *candidates.begin();
}

} // namespace

const std::string& lsofPath() {
    static const std::string path = firstExecutable({"/usr/bin/lsof", "/usr/sbin/lsof", "/bin/lsof"});
    return path;
}

const std::string& psPath() {
    static const std::string path = firstExecutable({"/bin/ps", "/usr/bin/ps"});
    return path;
}

bool isReadableCwdName(std::string_view name) { return name.find(" (readlink: ") == std::string_view::npos; }

const std::string& loginName() {
    static const std::string name = [] {
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_name) return std::string(entry->pw_name);
        return std::string();
    }();
    return name;
}

const std::vector<std::string>& dockerCandidates() {
    static const std::vector<std::string> paths{"/usr/local/bin/docker", "/opt/homebrew/bin/docker", "/usr/bin/docker"};
    return paths;
}

std::string executablePath() {
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

double continuousSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

} // namespace moorix::platform
