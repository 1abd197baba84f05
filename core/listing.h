#pragma once

#include "core/port_entry.h"
#include "core/tool_runner.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace moorix::PortCore {

using DirectoryLookup = std::function<std::unordered_map<std::int32_t, std::string>(
    const std::vector<std::int32_t>& pids, const ToolRunner& run)>;

// Every listening TCP socket with its process, ancestry, working directory and project, sorted by port
// then pid. At most three tool runs: the socket listing, the process snapshot, the working directories.
// Absent when the socket listing could not be taken (the tool missing, stopped at its time limit, killed,
// or printing something else): that is not "nothing is listening". A failed process snapshot only
// leaves the ancestry out, and a folder that is unknown or not UTF-8 leaves out `cwd` and `project`.
std::optional<std::vector<PortEntry>> listPorts();
std::optional<std::vector<PortEntry>> listPorts(const ToolRunner& run, const DirectoryLookup& directories);

} // namespace moorix::PortCore
