#pragma once

#include "core/control/cpu_meter.h"
#include "core/platform/tool_runner.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace moorix {

struct ProcessStats {
    double cpu = 0;         // percent of one processor
    std::int64_t memMB = 0; // resident memory, whole mebibytes
    bool operator==(const ProcessStats&) const = default;
};

namespace PortCore {

// Parses the columns "pid pcpu rss" of `ps -o pid=,pcpu=,rss=`; lines it cannot read are skipped.
std::unordered_map<std::int32_t, ProcessStats> parseStats(std::string_view text);

// CPU and memory of the given processes; those that are gone are missing. From the kernel when it
// answers: the CPU figure is the share used since `meter` last read that process, and on its first
// reading the average over its life, as Linux ps gives it. Else from ps through `run`. No tool run when
// none of the pids can name a process.
std::unordered_map<std::int32_t, ProcessStats> stats(const std::vector<std::int32_t>& pids, CpuMeter& meter,
                                                     const ToolRunner& run = runToolWithStatus);

// The argument vector, program name first; absent when it cannot be read.
std::optional<std::vector<std::string>> argv(std::int32_t pid);

// The numeric owner of a process; absent when there is no such process.
std::optional<std::uint32_t> uid(std::int32_t pid);

} // namespace PortCore
} // namespace moorix
