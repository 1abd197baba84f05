// A package.json's project name.
#include "core/listing/cwd.h"
#include "core/text/utf8.h"
#include "tests/fuzz/fuzz_input.h"

using namespace moorix;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Whatever name the reader accepts is UTF-8 text that can be shown and written.
    if (const auto name = PortCore::manifestName(fuzz::text(data, size))) require(isValidUtf8(*name));
    return 0;
}
