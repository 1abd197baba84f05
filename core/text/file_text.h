#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace moorix {

// The whole content of a regular file; absent when it is missing, not a regular file (a folder, a
// pipe that would block) or cannot be read.
std::optional<std::string> readRegularFile(const std::string& path);

// Writes `content` to a temporary file beside `path` and renames it over `path`, so that a reader sees the
// old file or the new one, never a part. The file keeps its permissions (0600 when new). False, with
// `path` untouched, when any step fails.
bool replaceFile(const std::string& path, std::string_view content);

} // namespace moorix
