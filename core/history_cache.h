#pragma once

#include "core/instant.h"
#include "core/port_event.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace moorix {

// The events a store has already decoded from its file, so that a read decodes only what was appended
// since the last one. The file is trusted to be the same as before, grown at its end, when all of these
// hold; otherwise it is decoded again from its first byte:
// - the same device and inode (a file replaced by rename, as a rewrite does, is another file);
// - it has not shrunk (a truncation), and when its size is unchanged, its modification and change times,
//   to the nanosecond, are unchanged too (a rewrite in place to the same size);
// - its first 4 KiB and the 4 KiB before the end of the decoded part still hold the bytes that were
//   decoded there (an inode number reused by a new file, or a rewrite that grew the file).
// Times alone cannot tell an append from a rewrite, and the clock behind them ticks coarsely, so the
// bytes are compared on every read; that costs two small reads from the page cache.
class HistoryCache {
public:
    // Brings the cache up to date with the file at `path`; false, with the cache emptied, when the file
    // cannot be read (missing, not a regular file, no permission, read error).
    bool refresh(const std::string& path);
    void clear();

    // Every decodable event of the last refresh, in file order, whose instant is at or after `since`.
    std::vector<PortEvent> since(Instant since) const;
    std::vector<PortEvent> all() const;

private:
    static constexpr std::size_t kBoundary = 4096;

    bool stillValid(int fd, const struct stat& status) const;
    bool decodeFrom(int fd, std::uint64_t offset, std::uint64_t size);
    void consume(std::string_view lines);

    dev_t m_device = 0;
    ino_t m_inode = 0;
    std::uint64_t m_size = 0;
    timespec m_modified{};
    timespec m_changed{};
    std::uint64_t m_consumed = 0; // bytes up to and including the last line feed decoded
    std::string m_head;           // the first bytes of the decoded part
    std::string m_end;            // the last bytes of the decoded part
    std::vector<PortEvent> m_events;
    std::vector<Instant> m_times; // m_events' instants, contiguous for a fast search
    bool m_inOrder = true;        // m_times never decreases
    std::optional<PortEvent> m_tail; // a last line without its line feed, decoded again on every refresh
};

} // namespace moorix
