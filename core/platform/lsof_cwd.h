#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace moorix::PortCore {

// Parses `lsof -a -p PIDS -d cwd -F pn` output into pid -> working directory.
std::unordered_map<std::int32_t, std::string> cwdMap(std::string_view text);

} // namespace moorix::PortCore
