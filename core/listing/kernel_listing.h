#pragma once

#include "core/listing/port_entry.h"

#include <optional>
#include <vector>

namespace moorix::PortCore {

// The listening sockets as entries, straight from the kernel, by the same rules as parseLsof and sorted
// the same way, without working directories. Absent when the kernel's interfaces are unavailable or fail,
// so that the tools answer instead. A process that ends during the scan is simply not listed.
std::optional<std::vector<PortEntry>> kernelSocketEntries();

} // namespace moorix::PortCore
