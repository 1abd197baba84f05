#pragma once

#include "core/listing/port_entry.h"

#include <optional>
#include <vector>

namespace moorix::cli {

// The exit status of a mode whose socket listing could not be taken.
inline constexpr int listingFailedStatus = 1;

// The full port listing for a command-line mode. When it could not be taken, one line on standard error
// says so and the result is absent: the mode then acts on nothing and exits with listingFailedStatus.
std::optional<std::vector<PortEntry>> listPortsOrSayWhy();

} // namespace moorix::cli
