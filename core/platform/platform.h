#pragma once

#include "core/tool_runner.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// What differs between macOS and Linux. One source file per platform implements this header.
namespace moorix::platform {

// Absolute paths of the system tools.
const std::string& lsofPath();
const std::string& psPath();

// Working directories of the given processes. A process that is gone, or whose directory cannot be
// read, is left out: an unreadable link is not a path.
std::unordered_map<std::int32_t, std::string> workingDirectories(const std::vector<std::int32_t>& pids,
                                                                const PortCore::ToolRunner& run);

// Login name of the real user running this program; empty when it has none.
const std::string& loginName();

// The folder "Moorix" in the user's application-data directory, worked out from the environment on each
// call and not created here.
std::string appDataDir();

} // namespace moorix::platform
