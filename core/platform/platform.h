#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What differs between macOS and Linux. One source file per platform implements this header.
namespace moorix::platform {

// Absolute paths of the system tools.
const std::string& lsofPath();
const std::string& psPath();

// Whether a working-directory name printed by lsof is a real directory path
// (Linux annotates a link it cannot read instead of naming the directory).
bool isReadableCwdName(std::string_view name);

// Login name of the real user running this program; empty when it has none.
const std::string& loginName();

// The argument vector of a process, program name first, empty arguments kept; absent when the process
// is gone or belongs to another user and this program is not root (the kernel's rule on macOS).
std::optional<std::vector<std::string>> processArguments(std::int32_t pid);

// The numeric (effective) owner of a process; absent when there is no such process.
std::optional<std::uint32_t> processOwner(std::int32_t pid);

// The shell that restarts a development tree as a login shell, so that the user's search path applies.
const std::string& loginShell();

} // namespace moorix::platform
