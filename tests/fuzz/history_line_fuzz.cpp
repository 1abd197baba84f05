// One line of the history file. The fast reader of the compact form must never read a line differently from
// the general JSON reader, and whatever is read must be written back as a line that reads the same.
#include "core/history/port_event.h"
#include "tests/fuzz/fuzz_input.h"

using namespace moorix;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line = fuzz::text(data, size);
    const auto fast = decodeEventLine(line);
    const auto general = portEventFromJson(nlohmann::json::parse(line.begin(), line.end(), nullptr, false));
    require(fast == general);
    if (const auto written = fast ? encodeEventLine(*fast) : std::nullopt)
        require(decodeEventLine(*written) == fast);
    return 0;
}
