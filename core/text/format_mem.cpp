#include "core/text/format_mem.h"

#include <cstdio>

namespace moorix {

std::string formatMem(std::int64_t megabytes) {
    if (megabytes < 1024) return std::to_string(megabytes) + " MB";
    char text[64];
    std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(megabytes) / 1024.0);
    return text;
}

} // namespace moorix
