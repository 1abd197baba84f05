#include "core/text/terminal_text.h"

#include "core/text/utf8.h"

namespace moorix {

std::string terminalSafe(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const CodePoint c = decodeUtf8(text);
        if (c.value == U'\t') {
            out += "\\t";
        } else if (c.value == U'\n') {
            out += "\\n";
        } else if (c.value == U'\r') {
            out += "\\r";
        } else if (c.value < 0x20 || (c.value >= 0x7F && c.value <= 0x9F)) {
            constexpr char hex[] = "0123456789abcdef";
            out += {'\\', 'x', hex[c.value >> 4], hex[c.value & 0xF]};
        } else if (c.value == U'\uFFFD') {
            out += "\uFFFD"; // what an invalid byte reads as, too
        } else {
            out.append(text.substr(0, c.length));
        }
        text.remove_prefix(c.length);
    }
    return out;
}

} // namespace moorix
