#pragma once

#include "core/port_entry.h"
#include "core/tool_runner.h"

#include <vector>

namespace moorix::PortCore {

// Every listening TCP socket with its process, ancestry, working directory and project, sorted by port
// then pid. At most three tool runs: the socket listing, the process snapshot, the working directories.
std::vector<PortEntry> listPorts(const ToolRunner& run = runTool);

} // namespace moorix::PortCore
