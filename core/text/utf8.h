#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace moorix {

bool isValidUtf8(std::string_view bytes);

// Decodes leniently: every invalid sequence becomes U+FFFD.
std::string repairUtf8(std::string_view bytes);

struct CodePoint {
    char32_t value;
    std::size_t length; // bytes of its sequence
};

// The code point that `bytes` (not empty) starts with; an invalid sequence reads as U+FFFD one byte long,
// as repairUtf8 replaces it.
CodePoint decodeUtf8(std::string_view bytes);

} // namespace moorix
