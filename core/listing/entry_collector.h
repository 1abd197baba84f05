#pragma once

#include "core/listing/port_entry.h"
#include "core/listing/process_table.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace moorix {

// The rules that turn a socket listing into entries, whatever gave the listing: one entry per process and
// port, carrying the address of that process's first socket on the port in the listing's order; each
// process's ancestry from the table; the entries sorted by port, then pid.
class EntryCollector {
public:
    explicit EntryCollector(const ProcessTable& table) : m_table(table) {}

    // One socket, in the listing's order. The texts are not copied: they must outlive take().
    void add(std::int32_t pid, std::string_view command, std::string_view user, std::string_view address,
             std::int64_t port) {
        m_sockets.push_back({port, pid, command, user, address});
    }
    std::vector<PortEntry> take();

private:
    struct Socket {
        std::int64_t port;
        std::int32_t pid;
        std::string_view command, user, address;
    };

    const ProcessTable& m_table;
    std::vector<Socket> m_sockets;
};

} // namespace moorix
