#pragma once

#include "core/port_entry.h"
#include "core/process_table.h"

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace moorix {

// The rules that turn a socket listing into entries, whatever gave the listing: one entry per process and
// port, carrying the address of that process's first socket on the port in the listing's order; each
// process's ancestry from the table; the entries sorted by port, then pid.
class EntryCollector {
  public:
    EntryCollector(const ProcessTable& table, std::size_t expectedSockets);

    void add(std::int32_t pid, std::string_view command, std::string_view user, std::string_view address,
             std::int64_t port);
    std::vector<PortEntry> take();

  private:
    struct Key {
        std::int32_t pid;
        std::int64_t port;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const;
    };

    const ProcessTable& m_table;
    std::vector<PortEntry> m_entries;
    std::unordered_set<Key, KeyHash> m_seen;
    std::unordered_map<std::int32_t, Ancestry> m_origins; // one walk per process, not per socket
};

} // namespace moorix
