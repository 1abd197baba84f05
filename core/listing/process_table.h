#pragma once

#include "core/platform/process_info.h"
#include "core/platform/tool_runner.h"

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace moorix {

// Ancestor names nearest first, and the outermost ancestor reached (the pid itself for an empty chain).
struct Ancestry {
    std::vector<std::string> chain;
    std::int32_t rootPid = 0;
};

namespace PortCore {

inline constexpr std::size_t chainLimit = 20;

const std::set<std::string, std::less<>>& devCommands();

// Parses the columns "pid ppid comm" of `ps -axo pid=,ppid=,comm=`.
ProcessTable parseProcessTable(std::string_view text);
// The table of that ps run through `run`, names the kernel cut to its length completed where the full
// name can be read; empty when ps failed.
ProcessTable processTableFromPs(const ToolRunner& run);
// One snapshot of all processes: from the kernel when it answers, else from ps run through `run`.
ProcessTable processTable(const ToolRunner& run = runToolWithStatus);

Ancestry ancestry(std::int32_t pid, const ProcessTable& table);

// The outermost process of the unbroken run of development tools directly above `pid`, or `pid` itself.
std::int32_t topDevAncestor(std::int32_t pid, const ProcessTable& table);

} // namespace PortCore
} // namespace moorix
