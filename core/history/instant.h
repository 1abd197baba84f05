#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace moorix {

// A wall-clock instant in whole seconds. The history keeps no fraction of a second, so no part of the
// program carries one: an event reads back exactly as it was recorded.
using Instant = std::chrono::sys_seconds;

Instant currentInstant();

// "2026-12-05T11:01:15Z". Absent for a year outside 0000 to 9999, which that form cannot hold.
std::optional<std::string> formatIsoInstant(Instant at);

// Only the exact form above: no fraction, no offset other than "Z", no lower-case separators.
std::optional<Instant> parseIsoInstant(std::string_view text);

// "2026-12-05 11:01:15 +0000", always UTC.
std::string formatDisplayInstant(Instant at);

} // namespace moorix
