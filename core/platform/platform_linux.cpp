#include "core/platform/platform.h"

#include "core/platform/process_records.h"
#include "core/platform/test_seams.h"
#include "core/text/file_text.h"

#include <climits>
#include <fcntl.h>
#include <pwd.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <set>
#include <string_view>

namespace moorix::platform {

namespace {

std::string firstExecutable(std::initializer_list<const char*> candidates) {
    for (const char* path : candidates)
        if (::access(path, X_OK) == 0) return path;
    return *candidates.begin();
}

std::optional<std::string> readProcFile(std::int32_t pid, const char* name) {
    if (pid < 1) return std::nullopt;
    return readRegularFile("/proc/" + std::to_string(pid) + "/" + name);
}

std::string homeDir() {
    if (const char* home = std::getenv("HOME"); home && *home == '/') return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
    return "/";
}

} // namespace

const std::string& lsofPath() {
    static const std::string path =
        testOverride("MOORIX_TEST_LSOF")
            .value_or(firstExecutable({"/usr/bin/lsof", "/usr/sbin/lsof", "/bin/lsof"}));
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

std::optional<std::vector<std::string>> processArguments(std::int32_t pid) {
    // Linux shows anyone's arguments; refuse another user's the way the macOS kernel does, so that
    // both platforms answer alike.
    const auto owner = processOwner(pid);
    if (!owner) return std::nullopt;
    const uid_t self = ::geteuid();
    if (self != 0 && *owner != self) return std::nullopt;
    const auto bytes = readProcFile(pid, "cmdline");
    if (!bytes) return std::nullopt;
    return PortCore::parseCmdline(*bytes);
}

std::optional<std::uint32_t> processOwner(std::int32_t pid) {
    const auto status = readProcFile(pid, "status");
    if (!status) return std::nullopt;
    return PortCore::parseStatusEffectiveUid(*status);
}

std::optional<std::uint64_t> processStartTime(std::int32_t pid) {
    const auto stat = readProcFile(pid, "stat");
    const auto record = stat ? PortCore::parseStat(*stat) : std::nullopt;
    if (!record) return std::nullopt;
    return record->startTicks;
}

const std::string& loginShell() {
    static const std::string path = [] {
        if (::access("/bin/zsh", X_OK) == 0) return std::string("/bin/zsh");
        // The restart's command text is POSIX shell syntax: a fish or csh login shell cannot run it.
        static const std::set<std::string_view> posixShells{"sh",   "bash", "dash", "ksh",
                                                            "mksh", "yash", "zsh"};
        if (const passwd* entry = ::getpwuid(::getuid());
            entry && entry->pw_shell && entry->pw_shell[0] == '/' && ::access(entry->pw_shell, X_OK) == 0) {
            const std::string_view shell = entry->pw_shell;
            if (posixShells.contains(shell.substr(shell.rfind('/') + 1))) return std::string(shell);
        }
        return std::string("/bin/sh");
    }();
    return path;
}

const std::vector<std::string>& dockerCandidates() {
    static const std::vector<std::string> paths{"/usr/local/bin/docker", "/opt/homebrew/bin/docker",
                                                "/usr/bin/docker"};
    return paths;
}

std::string executablePath() {
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

bool makePipe(int ends[2]) { return ::pipe2(ends, O_CLOEXEC) == 0; }

FileTimes fileTimes(const struct stat& status) {
    constexpr std::int64_t billion = 1'000'000'000;
    return {static_cast<std::int64_t>(status.st_mtim.tv_sec) * billion + status.st_mtim.tv_nsec,
            static_cast<std::int64_t>(status.st_ctim.tv_sec) * billion + status.st_ctim.tv_nsec};
}

double continuousSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The XDG base-directory rules: a relative XDG_DATA_HOME is to be ignored.
std::string appDataDir() {
    const char* data = std::getenv("XDG_DATA_HOME");
    const std::string base = data && *data == '/' ? std::string(data) : homeDir() + "/.local/share";
    return base + "/Moorix";
}

} // namespace moorix::platform
