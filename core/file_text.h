#pragma once

#include <optional>
#include <string>

namespace moorix {

// The whole content of a regular file; absent when it is missing, not a regular file (a folder, a
// pipe that would block) or cannot be read.
std::optional<std::string> readRegularFile(const std::string& path);

} // namespace moorix
