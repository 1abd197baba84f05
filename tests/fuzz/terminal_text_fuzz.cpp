// Outside text made safe for a terminal, then measured and cut for a table's column.
#include "core/text/display_width.h"
#include "core/text/terminal_text.h"
#include "core/text/utf8.h"
#include "tests/fuzz/fuzz_input.h"

using namespace moorix;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::text(data, size);
    const std::string safe = terminalSafe(bytes);
    require(isValidUtf8(safe));
    for (std::size_t at = 0; at < safe.size(); ++at) {
        const auto byte = static_cast<unsigned char>(safe[at]);
        const auto next = at + 1 < safe.size() ? static_cast<unsigned char>(safe[at + 1]) : 0;
        require(byte >= 0x20 && byte != 0x7F && !(byte == 0xC2 && next >= 0x80 && next <= 0x9F));
    }
    // Every change starts an escape with a backslash: text with nothing to escape passes unchanged.
    if (safe.find('\\') == std::string::npos && isValidUtf8(bytes)) require(safe == bytes);
    for (std::size_t columns = 0; columns <= 8; ++columns) {
        const std::string_view fit = fitDisplayWidth(safe, columns);
        require(safe.starts_with(fit) && isValidUtf8(fit) && displayWidth(fit) <= columns);
        // The longest such start: one more character would not fit.
        if (fit.size() < safe.size()) {
            const std::size_t longer = fit.size() + decodeUtf8(safe.substr(fit.size())).length;
            require(displayWidth(safe.substr(0, longer)) > columns);
        }
    }
    return 0;
}
