#pragma once

#include "core/listing/port_entry.h"

#include <cstdint>
#include <optional>

namespace moorix {

// A stop action waiting for the user's confirmation, with a copy of the entry as it was when asked for.
struct PendingKill {
    PortEntry entry;
    bool tree = false;
    bool force = false;
    bool restart = false;
    // When the entry's process started, as listed: a pid that has since been reused is never signalled.
    std::optional<std::uint64_t> startTime;

    bool operator==(const PendingKill&) const = default;
};

} // namespace moorix
