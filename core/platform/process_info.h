#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace moorix {

struct ProcessInfo {
    std::int32_t ppid = 0;
    std::string comm; // executable path or name as ps prints it, spaces kept
    bool operator==(const ProcessInfo&) const = default;
};

// One snapshot of all processes, keyed by pid.
using ProcessTable = std::unordered_map<std::int32_t, ProcessInfo>;

namespace PortCore {

// The last path component of a comm: "/usr/local/bin/node" gives "node".
std::string processName(std::string_view comm);

} // namespace PortCore
} // namespace moorix
