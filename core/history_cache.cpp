#include "core/history_cache.h"

#include "core/text_lines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace moorix {

namespace {

constexpr std::size_t kChunk = 1 << 20;

// Reads up to `length` bytes at `offset`; absent on a read error.
std::optional<std::string> readAt(int fd, std::uint64_t offset, std::size_t length) {
    std::string bytes(length, '\0');
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd, bytes.data() + done, length - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    return bytes;
}

bool sameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

void HistoryCache::clear() { *this = HistoryCache(); }

bool HistoryCache::refresh(const std::string& path) {
    // Non-blocking, so that a FIFO put where the file should be cannot hang the reader.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    struct stat status {};
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        clear();
        return false;
    }
    if (!stillValid(file.get(), status)) clear();
    m_device = status.st_dev;
    m_inode = status.st_ino;
    if (!decodeFrom(file.get(), m_consumed, static_cast<std::uint64_t>(status.st_size))) {
        clear();
        return false;
    }
    // Times are kept only when nothing was appended while reading; otherwise the next refresh, seeing the
    // same size under other times, decodes the file again, which is slow but right.
    struct stat after {};
    if (::fstat(file.get(), &after) == 0 && static_cast<std::uint64_t>(after.st_size) == m_size) {
        m_modified = after.st_mtim;
        m_changed = after.st_ctim;
    } else {
        m_modified = m_changed = timespec{};
    }
    return true;
}

bool HistoryCache::stillValid(int fd, const struct stat& status) const {
    if (m_consumed == 0 || status.st_dev != m_device || status.st_ino != m_inode) return false;
    const auto size = static_cast<std::uint64_t>(status.st_size);
    if (size < m_size) return false;
    if (size == m_size && (!sameTime(status.st_mtim, m_modified) || !sameTime(status.st_ctim, m_changed)))
        return false;
    const auto head = readAt(fd, 0, m_head.size());
    const auto end = readAt(fd, m_consumed - m_end.size(), m_end.size());
    return head == m_head && end == m_end;
}

bool HistoryCache::decodeFrom(int fd, std::uint64_t offset, std::uint64_t size) {
    std::string pending;
    for (;;) {
        // Sized by what the file should hold, so that a small append costs a small read; reading goes
        // on until the end, since the file may grow meanwhile.
        const std::uint64_t expected = size > offset + pending.size() ? size - offset - pending.size() : 0;
        const auto chunk = readAt(fd, offset + pending.size(), static_cast<std::size_t>(
                                      std::clamp<std::uint64_t>(expected + 1, kBoundary, kChunk)));
        if (!chunk) return false;
        if (chunk->empty()) break;
        pending += *chunk;
        const std::size_t lastFeed = pending.rfind('\n');
        if (lastFeed == std::string::npos) continue;
        consume(std::string_view(pending).substr(0, lastFeed + 1));
        offset += lastFeed + 1;
        pending.erase(0, lastFeed + 1);
    }
    m_size = offset + pending.size();
    m_tail.reset();
    if (!pending.empty()) m_tail = decodeEventLine(pending);
    return true;
}

void HistoryCache::consume(std::string_view lines) {
    if (m_head.size() < kBoundary && m_head.size() == m_consumed)
        m_head.append(lines.substr(0, kBoundary - m_head.size()));
    if (lines.size() >= kBoundary) {
        m_end.assign(lines.substr(lines.size() - kBoundary));
    } else {
        m_end.append(lines);
        if (m_end.size() > kBoundary) m_end.erase(0, m_end.size() - kBoundary);
    }
    m_consumed += lines.size();
    forEachLine(lines, [&](std::string_view line) {
        if (auto event = decodeEventLine(line)) {
            if (!m_times.empty() && event->at < m_times.back()) m_inOrder = false;
            m_times.push_back(event->at);
            m_events.push_back(std::move(*event));
        }
    });
}

std::vector<PortEvent> HistoryCache::since(Instant since) const {
    std::vector<PortEvent> found;
    // A file written by a clock that never went back is in time order: skip straight to the window.
    const std::size_t first = m_inOrder ? static_cast<std::size_t>(
                                              std::lower_bound(m_times.begin(), m_times.end(), since) - m_times.begin())
                                        : 0;
    for (std::size_t i = first; i < m_times.size(); ++i)
        if (m_times[i] >= since) found.push_back(m_events[i]);
    if (m_tail && m_tail->at >= since) found.push_back(*m_tail);
    return found;
}

std::vector<PortEvent> HistoryCache::all() const { return since(Instant::min()); }

} // namespace moorix
