#include "core/platform/platform.h"

#include "core/platform/lsof_cwd.h"
#include "core/platform/pid_list.h"
#include "core/platform/process_records.h"
#include "core/platform/test_seams.h"

#include <fcntl.h>
#include <libproc.h>
#include <mach-o/dyld.h>
#include <mach/mach_time.h>
#include <pwd.h>
#include <sys/proc_info.h>
#include <sys/sysctl.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace moorix::platform {

const std::string& lsofPath() {
    static const std::string path = testOverride("MOORIX_TEST_LSOF").value_or("/usr/sbin/lsof");
    return path;
}

const std::string& psPath() {
    static const std::string path = "/bin/ps";
    return path;
}

// The kernel's record of each process's current folder; lsof only for the processes it refuses.
std::unordered_map<std::int32_t, std::string> workingDirectories(const std::vector<std::int32_t>& pids,
                                                                 const PortCore::ToolRunner& run) {
    std::unordered_map<std::int32_t, std::string> directories;
    std::vector<std::int32_t> refused;
    for (std::int32_t pid : pids) {
        if (pid < 1) continue;
        proc_vnodepathinfo info{};
        if (::proc_pidinfo(pid, PROC_PIDVNODEPATHINFO, 0, &info, sizeof info) !=
            static_cast<int>(sizeof info)) {
            refused.push_back(pid);
            continue;
        }
        const char* path = info.pvi_cdir.vip_path;
        const std::size_t length = ::strnlen(path, sizeof info.pvi_cdir.vip_path);
        if (length > 0 && path[0] == '/') directories.emplace(pid, std::string(path, length));
    }
    const std::string list = pidList(refused);
    if (list.empty()) return directories;
    // The paths exactly as lsof printed them: a folder that is not UTF-8 is still a folder to start in.
    for (auto& [pid, path] :
         PortCore::cwdMap(run(lsofPath(), {"-a", "-p", list, "-d", "cwd", "-F", "pn"}, 5.0).output))
        directories.emplace(pid, std::move(path));
    return directories;
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

std::optional<std::uint64_t> processStartTime(std::int32_t pid) {
    if (pid < 0) return std::nullopt;
    int name[4] = {CTL_KERN, KERN_PROC, KERN_PROC_PID, pid};
    kinfo_proc record{};
    std::size_t size = sizeof record;
    if (::sysctl(name, 4, &record, &size, nullptr, 0) != 0 || size == 0) return std::nullopt;
    const timeval started = record.kp_proc.p_starttime;
    return static_cast<std::uint64_t>(started.tv_sec) * 1000000u +
           static_cast<std::uint64_t>(started.tv_usec);
}

const std::string& loginShell() {
    static const std::string path = "/bin/zsh";
    return path;
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

// macOS has no pipe2: the ends are marked one call later, and a program another thread starts in between
// may inherit them. The runner's time limit still bounds a read that such an heir keeps open.
bool makePipe(int ends[2]) {
    if (::pipe(ends) != 0) return false;
    for (int i = 0; i < 2; ++i) {
        if (::fcntl(ends[i], F_SETFD, FD_CLOEXEC) != 0) {
            ::close(ends[0]);
            ::close(ends[1]);
            return false;
        }
    }
    return true;
}

FileTimes fileTimes(const struct stat& status) {
    constexpr std::int64_t billion = 1'000'000'000;
    return {static_cast<std::int64_t>(status.st_mtimespec.tv_sec) * billion + status.st_mtimespec.tv_nsec,
            static_cast<std::int64_t>(status.st_ctimespec.tv_sec) * billion + status.st_ctimespec.tv_nsec};
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
