#pragma once

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

// Where a Docker client may be installed, in order of preference.
const std::vector<std::string>& dockerCandidates();

// Absolute path of the running executable with every symbolic link resolved; empty when unknown.
std::string executablePath();

// Seconds on a monotonic clock that keeps counting while the machine sleeps.
double continuousSeconds();

} // namespace moorix::platform
