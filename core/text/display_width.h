#pragma once

#include <cstddef>
#include <string_view>

namespace moorix {

// Terminal columns that UTF-8 text without control characters takes: two for each East Asian wide or
// fullwidth character and emoji, none for the marks that combine with the character before them and other
// zero-width characters, one for the rest. Unicode's tables decide, not the process's locale, so that a
// table lines up alike under every locale.
std::size_t displayWidth(std::string_view text);

// The longest start of `text` no wider than `columns`. It never ends inside a character, and keeps the
// marks that combine with its last character.
std::string_view fitDisplayWidth(std::string_view text, std::size_t columns);

} // namespace moorix
