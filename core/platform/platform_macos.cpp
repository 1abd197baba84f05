#include "core/platform/platform.h"

#include "core/cwd.h"
#include "core/process_records.h"

#include <pwd.h>
#include <sys/types.h>
#include <sys/sysctl.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>

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

std::optional<std::vector<std::string>> processArguments(std::int32_t pid) {
    if (pid < 1) return std::nullopt;
    int name[3] = {CTL_KERN, KERN_PROCARGS2, pid};
    std::size_t size = 0;
    if (::sysctl(name, 3, nullptr, &size, nullptr, 0) != 0 || size < 5) return std::nullopt;
    std::vector<char> area(size, '\0');
    if (::sysctl(name, 3, area.data(), &size, nullptr, 0) != 0 || size < 5) return std::nullopt;
    return PortCore::parseArgumentArea(std::string_view(area.data(), std::min(size, area.size())));
}

std::optional<std::uint32_t> processOwner(std::int32_t pid) {
    if (pid < 0) return std::nullopt;
    int name[4] = {CTL_KERN, KERN_PROC, KERN_PROC_PID, pid};
    kinfo_proc record{};
    std::size_t size = sizeof record;
    if (::sysctl(name, 4, &record, &size, nullptr, 0) != 0 || size == 0) return std::nullopt;
    return static_cast<std::uint32_t>(record.kp_eproc.e_ucred.cr_uid);
}

const std::string& loginShell() {
    static const std::string path = "/bin/zsh";
    return path;
}

} // namespace moorix::platform
