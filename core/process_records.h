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

// The start time (field 22, clock ticks after boot) of Linux /proc/PID/stat. The command name in
// parentheses may hold spaces and parentheses itself, so the fields are counted after the last ")".
std::optional<std::uint64_t> parseStatStartTime(std::string_view stat);

} // namespace moorix::PortCore
