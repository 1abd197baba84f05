#pragma once

#include "core/history/history_view.h"
#include "core/history/instant.h"
#include "core/history/port_event.h"
#include "core/platform/platform.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <memory>
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
//
// Decoded events are kept in blocks whose room is reserved up front and which are only ever appended to, so
// that a view handed out earlier keeps pointing at the same, unchanged events; a full block is never touched
// again, and a cleared cache lets go of its blocks without changing them.
class HistoryCache {
public:
    // Brings the cache up to date with the file at `path`; false, with the cache emptied, when the file
    // cannot be read (missing, not a regular file, no permission, read error).
    bool refresh(const std::string& path);
    void clear();

    // Every decodable event of the last refresh, in file order, whose instant is at or after `since`.
    HistoryView since(Instant since) const;

private:
    static constexpr std::size_t kBoundary = 4096;
    // Blocks start small, so that a short history stays small, and double up to this many events.
    static constexpr std::size_t kFirstBlock = 8, kLastBlock = 4096;

    struct Block {
        std::vector<PortEvent> events; // never grows past its reserved capacity
        Instant min = Instant::max(), max = Instant::min();
        bool inOrder = true; // instants never decrease within the block
    };

    bool stillValid(int fd, const struct stat& status) const;
    bool decodeFrom(int fd, std::uint64_t offset, std::uint64_t size);
    void consume(std::string_view lines);
    void decodeLine(std::string_view line);

    dev_t m_device = 0;
    ino_t m_inode = 0;
    std::uint64_t m_size = 0;
    platform::FileTimes m_times;
    std::uint64_t m_consumed = 0; // bytes up to and including the last line feed decoded
    std::string m_head;           // the first bytes of the decoded part
    std::string m_end;            // the last bytes of the decoded part
    std::vector<std::shared_ptr<Block>> m_blocks;
    std::shared_ptr<const PortEvent>
        m_tail; // a last line without its line feed, decoded again on every refresh
};

} // namespace moorix
