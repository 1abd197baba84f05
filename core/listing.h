#pragma once

#include "core/port_entry.h"
#include "core/tool_runner.h"

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace moorix::PortCore {

using DirectoryLookup = std::function<std::unordered_map<std::int32_t, std::string>(
    const std::vector<std::int32_t>& pids, const ToolRunner& run)>;

// Every listening TCP socket with its process, ancestry, working directory and project, sorted by port
// then pid. At most three tool runs: the socket listing, the process snapshot, the working directories.
std::vector<PortEntry> listPorts();
std::vector<PortEntry> listPorts(const ToolRunner& run, const DirectoryLookup& directories);

} // namespace moorix::PortCore
