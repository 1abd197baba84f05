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

// Test builds can make the kernel's interfaces count as unavailable (MOORIX_TEST_TOOLS_ONLY), so that a
// listing, a table or a sample comes from the tools as when the kernel refuses.
inline bool toolsOnly() { return testOverride("MOORIX_TEST_TOOLS_ONLY").has_value(); }

} // namespace moorix
