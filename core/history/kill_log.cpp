#include "core/history/kill_log.h"

#include "core/platform/platform.h"
#include "core/text/decimal.h"
#include "core/text/file_text.h"
#include "core/text/text_lines.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string_view>

namespace moorix {

namespace {

constexpr off_t rewriteAbove = 4096;

std::int64_t unixSeconds(KillLog::TimePoint at) {
    return std::chrono::duration_cast<std::chrono::seconds>(at.time_since_epoch()).count();
}

bool isRecent(std::int64_t noted, std::int64_t now) {
    return noted <= now && now - noted < KillLog::keepFor.count();
}

// Whether the open file `fd` is still the one at `path`: a rewrite renames a new file into its place.
bool isStillAt(int fd, const std::string& path) {
    struct stat opened {
    }, named{};
    return ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
           opened.st_ino == named.st_ino;
}

// Opens the file at `path` for appending and takes its lock; -1 when it cannot be opened.
int openLocked(const std::string& path) {
    // Another writer may replace the file while this one waits for the lock; the lock of a file that is no
    // longer at `path` guards nothing, so the file is opened again. No bound on the tries: giving up would
    // lose a record, and a stop it misses reads as a crash. Each retry means another writer finished a
    // note, so this ends once the others stop writing.
    for (;;) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd < 0) return -1;
        while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
        if (isStillAt(fd, path)) return fd;
        ::close(fd);
    }
}

std::string readAll(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = ::pread(fd, buffer, sizeof buffer, static_cast<off_t>(text.size()))) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

// Calls `visit(pid, seconds)` for every readable line.
template <typename Visit> void forEachRecord(std::string_view text, Visit&& visit) {
    forEachLine(text, [&](std::string_view line) {
        const std::size_t space = line.find(' ');
        if (space == std::string_view::npos) return;
        const auto pid = parseInt32(line.substr(0, space));
        const auto seconds = parseInt64(line.substr(space + 1));
        if (pid && seconds) visit(*pid, *seconds);
    });
}

} // namespace

KillLog::KillLog(std::string path) : m_path(std::move(path)) {}

void KillLog::note(std::int32_t pid, TimePoint now) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(m_path).parent_path(), ignored);
    const int fd = openLocked(m_path);
    if (fd < 0) return;
    // The lock orders the writers of this small file; readers need none, since a reader sees the file either
    // grown by one whole line or replaced by rename.
    const std::int64_t seconds = unixSeconds(now);
    const std::string line = std::to_string(pid) + " " + std::to_string(seconds) + "\n";
    struct stat info {};
    bool replaced = false;
    if (::fstat(fd, &info) == 0 && info.st_size > rewriteAbove) {
        std::string kept;
        forEachRecord(readAll(fd), [&](std::int32_t notedPid, std::int64_t noted) {
            if (isRecent(noted, seconds))
                kept += std::to_string(notedPid) + " " + std::to_string(noted) + "\n";
        });
        replaced = replaceFile(m_path, kept + line);
    }
    if (!replaced) (void)!::write(fd, line.data(), line.size());
    ::flock(fd, LOCK_UN);
    ::close(fd);
}

bool KillLog::contains(std::int32_t pid, TimePoint now) const {
    const auto text = readRegularFile(m_path);
    if (!text) return false;
    bool found = false;
    const std::int64_t seconds = unixSeconds(now);
    forEachRecord(*text, [&](std::int32_t notedPid, std::int64_t noted) {
        found = found || (notedPid == pid && isRecent(noted, seconds));
    });
    return found;
}

std::string KillLog::defaultPath() { return platform::appDataDir() + "/killed.log"; }

} // namespace moorix
