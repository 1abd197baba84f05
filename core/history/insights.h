#pragma once

#include "core/history/history_view.h"
#include "core/history/instant.h"
#include "core/history/port_event.h"
#include "core/listing/port_entry.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

// Warnings drawn from the current entries and the history. Pure functions: what they need from the
// process world comes in as functions.
namespace moorix::Insights {

inline constexpr std::chrono::seconds staleThresholdDefault{86400};

struct Stale {
    PortEntry entry;
    Instant since; // when this very process last opened the port
    bool operator==(const Stale&) const = default;
};

// Development servers of ordinary users whose parent is the init process.
std::vector<PortEntry> orphans(const std::vector<PortEntry>& entries,
                               const std::function<std::optional<std::int32_t>(std::int32_t pid)>& ppidOf);

// Entries whose process opened their port longer than `threshold` before `now`, by the history.
std::vector<Stale> stale(const std::vector<PortEntry>& entries, const HistoryView& history, Instant now,
                         std::chrono::duration<double> threshold);

// Closings judged unexpected on development ports whose process still lives.
std::vector<PortEvent> crashes(const HistoryView& events,
                               const std::function<bool(std::int32_t pid)>& isAlive);

} // namespace moorix::Insights
