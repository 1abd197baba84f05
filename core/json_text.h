#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

namespace moorix {

// Compact JSON as every writer of this program produces it: no blanks, keys in insertion order,
// "/" written as "\/". Absent when a string in the value is not valid UTF-8.
std::optional<std::string> writeCompactJson(const nlohmann::ordered_json& value);

} // namespace moorix
