// Linux /proc/PID/cmdline and /proc/PID/status.
#include "core/platform/process_records.h"
#include "core/text/utf8.h"
#include "tests/fuzz/fuzz_input.h"

#include <algorithm>

using namespace moorix;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::text(data, size);
    if (const auto arguments = PortCore::parseCmdline(input)) {
        // One argument per NUL, the kernel's final one aside.
        const auto separators = std::count(input.begin(), input.end(), '\0') - (input.back() == '\0' ? 1 : 0);
        require(static_cast<std::ptrdiff_t>(arguments->size()) == separators + 1);
        for (const auto& argument : *arguments) require(isValidUtf8(argument));
    } else {
        require(input.empty());
    }
    PortCore::parseStatusEffectiveUid(input);
    return 0;
}
