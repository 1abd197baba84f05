#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace moorix {

// The one number rule of every tool parser and option value: an optional single "+" or "-",
// then one or more decimal digits, nothing else, and the value must fit the target type.
std::optional<std::int64_t> parseInt64(std::string_view text);
std::optional<std::int32_t> parseInt32(std::string_view text);

} // namespace moorix
