#pragma once

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>

namespace moorix {

// Compact JSON as every writer of this program produces it: no blanks, keys in insertion order,
// "/" written as "\/". Absent when a string in the value is not valid UTF-8.
std::optional<std::string> writeCompactJson(const nlohmann::ordered_json& value);

// Appends `text` as a JSON string, quoted and escaped byte for byte as writeCompactJson writes it, for
// writers that build their text directly. False, with nothing appended, when `text` is not valid UTF-8.
bool appendJsonString(std::string& out, std::string_view text);

} // namespace moorix
