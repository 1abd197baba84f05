#include "core/listing/entry_collector.h"

#include <algorithm>
#include <unordered_map>

namespace moorix {

std::vector<PortEntry> EntryCollector::take() {
    // Sorting first puts the sockets of one process and port side by side, the listing's first one ahead,
    // so that keeping the first of each run removes the rest without a set of every key seen.
    const auto before = [](const Socket& a, const Socket& b) {
        return a.port != b.port ? a.port < b.port : a.pid < b.pid;
    };
    if (!std::is_sorted(m_sockets.begin(), m_sockets.end(), before))
        std::stable_sort(m_sockets.begin(), m_sockets.end(), before);
    std::unordered_map<std::int32_t, Ancestry> origins; // one walk per process, not per socket
    std::vector<PortEntry> entries;
    entries.reserve(m_sockets.size());
    for (std::size_t i = 0; i < m_sockets.size(); ++i) {
        const Socket& socket = m_sockets[i];
        if (i > 0 && !before(m_sockets[i - 1], socket)) continue;
        auto origin = origins.find(socket.pid);
        if (origin == origins.end())
            origin = origins.emplace(socket.pid, PortCore::ancestry(socket.pid, m_table)).first;
        entries.push_back(PortEntry{socket.port, std::string(socket.address), socket.pid,
                                    std::string(socket.command), std::string(socket.user),
                                    origin->second.chain, origin->second.rootPid, std::nullopt,
                                    std::nullopt});
    }
    m_sockets.clear();
    return entries;
}

} // namespace moorix
