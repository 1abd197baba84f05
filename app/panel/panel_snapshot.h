#pragma once

#include "app/panel/panel_backend.h"
#include "core/history/insights.h"

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace moorix {

// What one look at the machine tells the panel: the listening ports, their processes' figures, the
// servers worth reclaiming, and when each listed process started.
struct PanelSnapshot {
    std::vector<PortEntry> entries;
    std::unordered_map<std::int32_t, ProcessStats> stats;
    std::vector<PortEntry> orphans;
    std::vector<Insights::Stale> stale;
    // When each listed pid's process started, to tell a reused pid before signalling it.
    std::unordered_map<std::int32_t, std::uint64_t> startTimes;
};

// Any thread. Absent when the listing could not be taken: that says nothing about the ports.
std::optional<PanelSnapshot> takeSnapshot(const PanelBackend& backend);

std::vector<std::int32_t> pidsOf(const std::vector<PortEntry>& entries);

} // namespace moorix
