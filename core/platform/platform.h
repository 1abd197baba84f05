#pragma once

#include <optional>
#include <string>
#include <string_view>

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

} // namespace moorix::platform
