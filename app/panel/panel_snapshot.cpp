#include "app/panel/panel_snapshot.h"

namespace moorix {

namespace {

std::unordered_map<std::int32_t, std::uint64_t> startTimesOf(const PanelBackend& backend,
                                                             const std::vector<PortEntry>& entries) {
    std::unordered_map<std::int32_t, std::uint64_t> times;
    for (const auto& entry : entries) {
        if (times.contains(entry.pid)) continue;
        if (const auto started = backend.startTime(entry.pid)) times.emplace(entry.pid, *started);
    }
    return times;
}

} // namespace

std::vector<std::int32_t> pidsOf(const std::vector<PortEntry>& entries) {
    std::vector<std::int32_t> pids;
    pids.reserve(entries.size());
    for (const auto& entry : entries) pids.push_back(entry.pid);
    return pids;
}

std::optional<PanelSnapshot> takeSnapshot(const PanelBackend& backend) {
    auto listing = backend.listPorts();
    if (!listing) return std::nullopt;
    PanelSnapshot result;
    result.entries = std::move(*listing);
    result.stats = backend.stats(pidsOf(result.entries));
    const ProcessTable table = backend.processTable();
    result.orphans = Insights::orphans(result.entries, [&](std::int32_t pid) -> std::optional<std::int32_t> {
        const auto found = table.find(pid);
        if (found == table.end()) return std::nullopt;
        return found->second.ppid;
    });
    const Instant now = backend.now();
    result.stale = Insights::stale(result.entries, backend.history(now - historyReach), now,
                                   Insights::staleThresholdDefault);
    result.startTimes = startTimesOf(backend, result.entries);
    return result;
}

} // namespace moorix
