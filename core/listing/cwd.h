#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace moorix::PortCore {

// The "name" of the folder's package.json when it is a JSON string, else the folder's own name.
std::string projectName(const std::string& cwd);

// The "name" of a package.json's content when it is a JSON object whose "name" is a string.
std::optional<std::string> manifestName(std::string_view manifest);

} // namespace moorix::PortCore
