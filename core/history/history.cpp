#include "core/history/history.h"

#include "core/platform/platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace moorix {

History::History(std::string path) : m_path(std::move(path)) {}

const std::string& History::defaultPath() {
    static const std::string path = [] {
        const std::string folder = platform::appDataDir();
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
        return folder + "/history.jsonl";
    }();
    return path;
}

void History::append(const PortEvent& event) {
    auto line = encodeEventLine(event);
    if (!line) return;
    line->push_back('\n');
    const std::lock_guard lock(m_lock);
    // O_CREAT without O_TRUNC: the first event creates the file, and an existing file, even one this
    // process may not write, is never replaced. The history holds command lines, so it is private.
    const int fd =
        ::open(m_path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600);
    if (fd < 0) return;
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        ssize_t written;
        do {
            written = ::write(fd, line->data(), line->size());
        } while (written < 0 && errno == EINTR);
        // A short write (a full disk) leaves part of a line; ending it keeps the next event on a line of its
        // own.
        if (written > 0 && static_cast<std::size_t>(written) < line->size()) (void)!::write(fd, "\n", 1);
    }
    ::close(fd);
}

HistoryView History::events(Instant since) {
    const std::lock_guard lock(m_lock);
    if (!m_cache.refresh(m_path)) return {};
    return m_cache.since(since);
}

} // namespace moorix
