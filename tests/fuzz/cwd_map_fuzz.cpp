// lsof's working-directory listing.
#include "core/platform/lsof_cwd.h"
#include "tests/fuzz/fuzz_input.h"

using namespace moorix;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::text(data, size);
    for (const auto& [pid, path] : PortCore::cwdMap(input)) require(pid != 0);
    return 0;
}
