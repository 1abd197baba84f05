#include "core/insights.h"

namespace moorix::Insights {

std::vector<PortEntry> orphans(const std::vector<PortEntry>& entries,
                               const std::function<std::optional<std::int32_t>(std::int32_t pid)>& ppidOf) {
    std::vector<PortEntry> found;
    for (const PortEntry& entry : entries) {
        if (!entry.isDev() || entry.isSystemCritical()) continue;
        if (ppidOf(entry.pid) == 1) found.push_back(entry);
    }
    return found;
}

std::vector<Stale> stale(const std::vector<PortEntry>& entries, const HistoryView& history, Instant now,
                         std::chrono::duration<double> threshold) {
    std::vector<Stale> found;
    for (const PortEntry& entry : entries) {
        std::optional<Instant> since;
        for (const PortEvent& event : history) {
            if (event.action != EventAction::opened || event.port != entry.port || event.pid != entry.pid) continue;
            if (!since || event.at > *since) since = event.at;
        }
        if (since && now - *since > threshold) found.push_back({entry, *since});
    }
    return found;
}

std::vector<PortEvent> crashes(const HistoryView& events, const std::function<bool(std::int32_t pid)>& isAlive) {
    std::vector<PortEvent> found;
    for (const PortEvent& event : events) {
        if (event.action != EventAction::closed || event.ending != Ending::unexpected || !isDevPort(event.port))
            continue;
        if (isAlive(event.pid)) found.push_back(event);
    }
    return found;
}

} // namespace moorix::Insights
