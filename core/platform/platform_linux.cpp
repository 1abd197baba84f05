#include "core/platform/platform.h"

#include <climits>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <initializer_list>

namespace moorix::platform {

namespace {

std::string firstExecutable(std::initializer_list<const char*> candidates) {
    for (const char* path : candidates)
        if (::access(path, X_OK) == 0) return path;
    return *candidates.begin();
}

std::string homeDir() {
    if (const char* home = std::getenv("HOME"); home && *home == '/') return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return "/";
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

// Reading the links in /proc directly costs no tool run; lsof would take longer than the socket listing.
std::unordered_map<std::int32_t, std::string> workingDirectories(const std::vector<std::int32_t>& pids,
                                                                const PortCore::ToolRunner&) {
    std::unordered_map<std::int32_t, std::string> directories;
    for (std::int32_t pid : pids) {
        if (pid < 1) continue;
        const std::string link = "/proc/" + std::to_string(pid) + "/cwd";
        std::string target(PATH_MAX, '\0');
        const ssize_t length = ::readlink(link.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) continue;
        target.resize(static_cast<std::size_t>(length));
        directories.emplace(pid, std::move(target));
    }
    return directories;
}

const std::string& loginName() {
    static const std::string name = [] {
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_name) return std::string(entry->pw_name);
        return std::string();
    }();
    return name;
}

// The XDG base-directory rules: a relative XDG_DATA_HOME is to be ignored.
std::string appDataDir() {
    const char* data = std::getenv("XDG_DATA_HOME");
    const std::string base = data && *data == '/' ? std::string(data) : homeDir() + "/.local/share";
    return base + "/Moorix";
}

} // namespace moorix::platform
