#pragma once

#include <string_view>

namespace moorix {

// Calls `visit` for every non-empty line of `text`, lines split at line feeds.
template <typename Visit> void forEachLine(std::string_view text, Visit&& visit) {
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (!line.empty()) visit(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
}

} // namespace moorix
