#pragma once

#include "core/listing/port_entry.h"

#include <cstdint>
#include <optional>

namespace moorix {

// The ways the panel stops a server. A port that a container publishes is stopped through the container,
// whichever of these was asked for, except a restart.
enum class StopAction {
    Stop,        // a polite signal to the process
    ForceStop,   // a signal it cannot refuse
    StopTree,    // the development tool tree above the process, leaf first
    RestartTree, // the tree stopped and started again where it ran
};

// A stop action waiting for the user's confirmation, with a copy of the entry as it was when asked for.
struct PendingKill {
    PortEntry entry;
    StopAction action = StopAction::Stop;
    // When the entry's process started, as listed: a pid that has since been reused is never signalled.
    std::optional<std::uint64_t> startTime;

    bool operator==(const PendingKill&) const = default;
};

} // namespace moorix
