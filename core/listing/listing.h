#pragma once

#include "core/listing/port_entry.h"
#include "core/platform/tool_runner.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace moorix::PortCore {

using DirectoryLookup = std::function<std::unordered_map<std::int32_t, std::string>(
    const std::vector<std::int32_t>& pids, const ToolRunner& run)>;
// Sorted entries without working directories; absent when the sockets could not be listed.
using SocketEntries = std::function<std::optional<std::vector<PortEntry>>()>;

// Every listening TCP socket with its process, ancestry, working directory and project, sorted by port
// then pid. Straight from the kernel when its interfaces answer, with no tool run at all; otherwise from
// the tools, at most three runs: the socket listing, the process snapshot, the working directories. Both
// give the same entries. Absent when neither could list the sockets (the tool missing, stopped at its
// time limit, killed, or printing something else): that is not "nothing is listening". A failed process
// snapshot only leaves the ancestry out, and a folder that is unknown or not UTF-8 leaves out `cwd` and
// `project`.
std::optional<std::vector<PortEntry>> listPorts();
std::optional<std::vector<PortEntry>> listPorts(const SocketEntries& kernel, const ToolRunner& run,
                                                const DirectoryLookup& directories);

// The tools' entries: lsof's socket listing, then ps's process table; names the kernel cut to its
// length are completed where the full name can be read, as the kernel's own listing has them.
std::optional<std::vector<PortEntry>> toolSocketEntries(const ToolRunner& run);

} // namespace moorix::PortCore
