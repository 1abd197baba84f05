#pragma once

#include <cstdint>
#include <string>

namespace moorix {

// A resident size in mebibytes for display: "512 MB", or "1.5 GB" from 1024 on.
std::string formatMem(std::int64_t megabytes);

} // namespace moorix
