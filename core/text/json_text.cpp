#include "core/text/json_text.h"

#include "core/text/utf8.h"

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

bool appendJsonString(std::string& out, std::string_view text) {
    if (!isValidUtf8(text)) return false;
    out += '"';
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '/':
            out += "\\/";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (const auto byte = static_cast<unsigned char>(c); byte < 0x20) {
                out += "\\u00";
                out += "0123456789abcdef"[byte >> 4];
                out += "0123456789abcdef"[byte & 0xF];
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return true;
}

} // namespace moorix
