#pragma once

#include "core/listing/port_entry.h"

#include <QString>

#include <optional>
#include <string>

namespace moorix {

// The line under a panel row's title: the container's name for a port that Docker publishes,
// otherwise the project and who started the process.
QString subtitle(const PortEntry& entry, const std::optional<std::string>& dockerName);

} // namespace moorix
