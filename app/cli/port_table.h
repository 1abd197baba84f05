#pragma once

#include "core/control/process_inspection.h"
#include "core/listing/port_entry.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace moorix::cli {

struct TableStyle {
    // Display columns to fit in; 0 for no limit.
    std::size_t width = 0;
    bool colour = false;
};

// The listing as a table for people: development ports under their heading, then the others, one line
// each. Exposed addresses are marked with "!". When the lines are wider than the style allows, the widest
// text columns are cut first, with an ellipsis; no line ever wraps.
std::string renderPortTable(const std::vector<PortEntry>& entries,
                            const std::unordered_map<std::int32_t, ProcessStats>& stats,
                            const TableStyle& style);

} // namespace moorix::cli
