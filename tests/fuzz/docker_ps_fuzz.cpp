// `docker ps --format "{{.Names}}\t{{.Ports}}"` output.
#include "core/listing/docker.h"
#include "tests/fuzz/fuzz_input.h"

using namespace moorix;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const auto& [port, name] : Docker::parseContainerPorts(fuzz::text(data, size)))
        require(!name.empty() && name.find('\n') == std::string::npos);
    return 0;
}
