#pragma once

#include <string>
#include <string_view>

namespace moorix {

bool isValidUtf8(std::string_view bytes);

// Decodes leniently: every invalid sequence becomes U+FFFD.
std::string repairUtf8(std::string_view bytes);

} // namespace moorix
