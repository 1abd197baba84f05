#include "core/entry_collector.h"

#include <algorithm>
#include <tuple>

namespace moorix {

std::size_t EntryCollector::KeyHash::operator()(const Key& key) const {
    // Unsigned: the multiplication is meant to wrap.
    return std::hash<std::uint64_t>{}(static_cast<std::uint64_t>(key.port) * 2654435761u ^
                                      static_cast<std::uint32_t>(key.pid));
}

EntryCollector::EntryCollector(const ProcessTable& table, std::size_t expectedSockets) : m_table(table) {
    m_entries.reserve(expectedSockets);
    m_seen.reserve(expectedSockets);
}

void EntryCollector::add(std::int32_t pid, std::string_view command, std::string_view user,
                         std::string_view address, std::int64_t port) {
    if (!m_seen.insert(Key{pid, port}).second) return;
    auto origin = m_origins.find(pid);
    if (origin == m_origins.end()) origin = m_origins.emplace(pid, PortCore::ancestry(pid, m_table)).first;
    m_entries.push_back(PortEntry{port, std::string(address), pid, std::string(command), std::string(user),
                                  origin->second.chain, origin->second.rootPid, std::nullopt, std::nullopt});
}

std::vector<PortEntry> EntryCollector::take() {
    // Sort small keys, the position breaking ties so that the order is stable; each record then moves once.
    std::vector<std::tuple<std::int64_t, std::int32_t, std::size_t>> order;
    order.reserve(m_entries.size());
    bool sorted = true;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        order.emplace_back(m_entries[i].port, m_entries[i].pid, i);
        sorted = sorted && (i == 0 || std::get<0>(order[i - 1]) < m_entries[i].port ||
                            (std::get<0>(order[i - 1]) == m_entries[i].port &&
                             std::get<1>(order[i - 1]) <= m_entries[i].pid));
    }
    if (sorted) return std::move(m_entries);
    std::sort(order.begin(), order.end());
    std::vector<PortEntry> result;
    result.reserve(m_entries.size());
    for (const auto& item : order)
        result.push_back(std::move(m_entries[std::get<2>(item)]));
    return result;
}

} // namespace moorix
