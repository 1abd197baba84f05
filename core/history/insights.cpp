#include "core/history/insights.h"

#include <map>
#include <utility>

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
    // One pass over the history (the panel reads 30 days of it on every refresh): the latest opening of
    // each listed process on each listed port.
    std::map<std::pair<std::int64_t, std::int32_t>, std::optional<Instant>> latest;
    for (const PortEntry& entry : entries) latest[{entry.port, entry.pid}];
    for (const PortEvent& event : history) {
        if (event.action != EventAction::Opened) continue;
        auto found = latest.find({event.port, event.pid});
        if (found != latest.end() && (!found->second || event.at > *found->second)) found->second = event.at;
    }
    std::vector<Stale> result;
    for (const PortEntry& entry : entries) {
        const std::optional<Instant> since = latest.at({entry.port, entry.pid});
        if (since && now - *since > threshold) result.push_back({entry, *since});
    }
    return result;
}

std::vector<PortEvent> crashes(const HistoryView& events,
                               const std::function<bool(std::int32_t pid)>& isAlive) {
    std::vector<PortEvent> found;
    for (const PortEvent& event : events) {
        if (event.action != EventAction::Closed || event.ending != Ending::Unexpected ||
            !isDevPort(event.port))
            continue;
        if (isAlive(event.pid)) found.push_back(event);
    }
    return found;
}

} // namespace moorix::Insights
