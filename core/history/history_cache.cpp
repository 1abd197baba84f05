#include "core/history/history_cache.h"

#include "core/text/text_lines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

namespace moorix {

namespace {

constexpr std::size_t kChunk = 1 << 20;

// Reads up to `length` bytes at `offset` into `into`; how many, or absent on a read error.
std::optional<std::size_t> readInto(int fd, std::uint64_t offset, char* into, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::pread(fd, into + done, length - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::optional<std::string> readAt(int fd, std::uint64_t offset, std::size_t length) {
    std::string bytes(length, '\0');
    const auto done = readInto(fd, offset, bytes.data(), length);
    if (!done) return std::nullopt;
    bytes.resize(*done);
    return bytes;
}

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
        m_times = platform::fileTimes(after);
    } else {
        m_times = {};
    }
    return true;
}

bool HistoryCache::stillValid(int fd, const struct stat& status) const {
    if (m_consumed == 0 || status.st_dev != m_device || status.st_ino != m_inode) return false;
    const auto size = static_cast<std::uint64_t>(status.st_size);
    if (size < m_size) return false;
    if (size == m_size && platform::fileTimes(status) != m_times) return false;
    const auto head = readAt(fd, 0, m_head.size());
    const auto end = readAt(fd, m_consumed - m_end.size(), m_end.size());
    return head == m_head && end == m_end;
}

bool HistoryCache::decodeFrom(int fd, std::uint64_t offset, std::uint64_t size) {
    // buffer[0, held) are the bytes read past `offset`; none of them is a line feed between reads.
    std::unique_ptr<char[]> buffer;
    std::size_t capacity = 0, held = 0;
    for (;;) {
        // Sized by what the file should hold, so that a small append costs a small read; reading goes
        // on until the end, since the file may grow meanwhile.
        const std::uint64_t expected = size > offset + held ? size - offset - held : 0;
        const auto length =
            static_cast<std::size_t>(std::clamp<std::uint64_t>(expected + 1, kBoundary, kChunk));
        if (held + length > capacity) {
            capacity = held + length;
            auto larger = std::make_unique_for_overwrite<char[]>(capacity);
            if (held) std::memcpy(larger.get(), buffer.get(), held);
            buffer = std::move(larger);
        }
        const auto read = readInto(fd, offset + held, buffer.get() + held, length);
        if (!read) return false;
        if (*read == 0) break;
        const std::size_t feed = std::string_view(buffer.get() + held, *read).rfind('\n');
        held += *read;
        if (feed == std::string_view::npos) continue;
        const std::size_t lines = held - *read + feed + 1;
        consume(std::string_view(buffer.get(), lines));
        offset += lines;
        held -= lines;
        std::memmove(buffer.get(), buffer.get() + lines, held);
    }
    m_size = offset + held;
    m_tail.reset();
    if (held) {
        auto tail = std::make_shared<PortEvent>();
        if (decodeEventLine(std::string_view(buffer.get(), held), *tail)) m_tail = std::move(tail);
    }
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
    forEachLine(lines, [this](std::string_view line) { decodeLine(line); });
}

void HistoryCache::decodeLine(std::string_view line) {
    if (m_blocks.empty() || m_blocks.back()->events.size() == m_blocks.back()->events.capacity()) {
        const std::size_t room =
            m_blocks.empty() ? kFirstBlock : std::min(m_blocks.back()->events.capacity() * 2, kLastBlock);
        m_blocks.push_back(std::make_shared<Block>());
        m_blocks.back()->events.reserve(room);
    }
    // Decoded in place, into room that views handed out so far do not cover.
    Block& block = *m_blocks.back();
    PortEvent& event = block.events.emplace_back();
    if (!decodeEventLine(line, event)) {
        block.events.pop_back();
        return;
    }
    if (block.events.size() > 1 && event.at < block.max) block.inOrder = false;
    block.min = std::min(block.min, event.at);
    block.max = std::max(block.max, event.at);
}

HistoryView HistoryCache::since(Instant since) const {
    HistoryView view;
    for (const auto& block : m_blocks) {
        const PortEvent* first = block->events.data();
        const PortEvent* const last = first + block->events.size();
        if (first == last || block->max < since) continue;
        if (block->min < since) {
            if (block->inOrder) {
                first = std::partition_point(first, last,
                                             [&](const PortEvent& event) { return event.at < since; });
            } else { // a clock stepped back, or another process appended late: every run of events in the
                     // window
                for (;;) {
                    first =
                        std::find_if(first, last, [&](const PortEvent& event) { return event.at >= since; });
                    const PortEvent* const end =
                        std::find_if(first, last, [&](const PortEvent& event) { return event.at < since; });
                    if (end == last) break;
                    view.add(block, first, static_cast<std::size_t>(end - first));
                    first = end;
                }
            }
        }
        view.add(block, first, static_cast<std::size_t>(last - first));
    }
    if (m_tail && m_tail->at >= since) view.add(m_tail, m_tail.get(), 1);
    return view;
}

} // namespace moorix
