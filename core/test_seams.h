#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace moorix {

// Paths and commands that black-box tests replace with fakes (a Docker client, the notification
// command). Only builds made with MOORIX_TEST_SEAMS read these variables; release builds never do.
inline std::optional<std::string> testOverride(const char* variable) {
#if defined(MOORIX_TEST_SEAMS)
    if (const char* value = std::getenv(variable); value && *value) return std::string(value);
#else
    (void)variable;
#endif
    return std::nullopt;
}

} // namespace moorix
