#include "core/platform/platform.h"

#include "core/cwd.h"

#include <pwd.h>
#include <unistd.h>

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

std::unordered_map<std::int32_t, std::string> workingDirectories(const std::vector<std::int32_t>& pids,
                                                                const PortCore::ToolRunner& run) {
    std::string list;
    for (std::int32_t pid : pids) {
        if (pid < 1) continue;
        if (!list.empty()) list += ',';
        list += std::to_string(pid);
    }
    if (list.empty()) return {};
    return PortCore::cwdMap(run(lsofPath(), {"-a", "-p", list, "-d", "cwd", "-F", "pn"}, 5.0));
}

const std::string& loginName() {
    static const std::string name = [] {
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_name) return std::string(entry->pw_name);
        return std::string();
    }();
    return name;
}

std::string appDataDir() {
    std::string home;
    if (const char* variable = std::getenv("HOME"); variable && *variable == '/') {
        home = variable;
    } else if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) {
        home = entry->pw_dir;
    }
    return home + "/Library/Application Support/Moorix";
}

} // namespace moorix::platform
