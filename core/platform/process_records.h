#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Pure readers of the kernel's per-process records, kept apart from the calls that fetch them so that
// every platform's layout is tested everywhere.
namespace moorix::PortCore {

// The macOS argument area (KERN_PROCARGS2): native-endian 32-bit argc, the executable path and its NUL,
// NUL padding, then argc NUL-terminated arguments. Absent when argc is below 1 or the area holds fewer
// than argc arguments. Arguments are decoded as UTF-8 with invalid bytes replaced by U+FFFD.
std::optional<std::vector<std::string>> parseArgumentArea(std::string_view area);

// Linux /proc/PID/cmdline: NUL-separated arguments, empty ones kept. Absent when empty (a kernel
// thread or a process that has already exited).
std::optional<std::vector<std::string>> parseCmdline(std::string_view bytes);

// The effective uid from the "Uid:" line of Linux /proc/PID/status.
std::optional<std::uint32_t> parseStatusEffectiveUid(std::string_view status);

// The fields of Linux /proc/PID/stat that this program reads. The command name in parentheses may hold
// spaces and parentheses itself, so the fields after it are counted from the last ")".
struct StatRecord {
    std::string comm; // the kernel's name of the task, at most 15 bytes, as stored
    std::int32_t ppid = 0;
    std::uint64_t cpuTicks = 0;   // user and system time, in clock ticks
    std::uint64_t startTicks = 0; // clock ticks after boot
    bool operator==(const StatRecord&) const = default;
};
std::optional<StatRecord> parseStat(std::string_view stat);

// The resident size in pages: the second field of Linux /proc/PID/statm.
std::optional<std::uint64_t> parseStatmResidentPages(std::string_view statm);

// Seconds since boot: the first field of Linux /proc/uptime.
std::optional<double> parseUptime(std::string_view uptime);

// The inode of a descriptor whose link reads "socket:[INODE]"; absent for every other kind of file.
std::optional<std::uint64_t> parseSocketLink(std::string_view link);

// The name to show for a process whose kernel name `comm` may have been cut to `cutLength` bytes. When it
// was (it is exactly that long), the first candidate (the executable's path, then the arguments) whose
// last path component begins with `comm` and is longer gives that component; otherwise `comm` stands.
// A cut name is only ever completed, never replaced by another: a link named "node" to an interpreter
// stays "node".
std::string fullProcessName(std::string_view comm, std::size_t cutLength,
                            const std::vector<std::string_view>& candidates);

} // namespace moorix::PortCore
