// The macOS argument area (KERN_PROCARGS2), read here as any other bytes.
#include "core/platform/process_records.h"
#include "core/text/utf8.h"
#include "tests/fuzz/fuzz_input.h"

#include <cstring>

using namespace moorix;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto arguments = PortCore::parseArgumentArea(fuzz::text(data, size));
    if (!arguments) return 0;
    std::int32_t argc = 0;
    std::memcpy(&argc, data, sizeof argc);
    require(arguments->size() == static_cast<std::size_t>(argc));
    for (const auto& argument : *arguments) require(isValidUtf8(argument));
    return 0;
}
