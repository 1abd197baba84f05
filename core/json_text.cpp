#include "core/json_text.h"

namespace moorix {

std::optional<std::string> writeCompactJson(const nlohmann::ordered_json& value) {
    std::string text;
    try {
        text = value.dump();
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
    // Outside strings compact JSON has no "/", so every slash in the text belongs to a string.
    std::string escaped;
    escaped.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        if (c == '/') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

} // namespace moorix
