// lsof field output, as the socket listing, the port sampler and the working-directory listing read it.
#include "core/listing/lsof.h"
#include "core/platform/lsof_cwd.h"
#include "core/text/utf8.h"
#include "tests/fuzz/fuzz_input.h"

#include <algorithm>
#include <set>

using namespace moorix;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::text(data, size);
    const ProcessTable table{{1, {0, "launchd"}}, {20, {10, "node"}}, {10, {1, "npm"}}, {30, {30, "loop"}}};
    const auto entries = PortCore::parseLsof(input, table);
    const auto numbers = PortCore::parseListeningPortNumbers(input);

    // Ports are 16-bit, the listed ports are the sampled ports, and the entries are in order.
    std::set<std::int64_t> listed;
    for (const PortEntry& entry : entries) {
        require(entry.port >= 0 && entry.port <= 65535);
        listed.insert(entry.port);
    }
    require(listed == std::set<std::int64_t>(numbers.begin(), numbers.end()));
    require(std::is_sorted(entries.begin(), entries.end(), [](const PortEntry& a, const PortEntry& b) {
        return a.port != b.port ? a.port < b.port : a.pid < b.pid;
    }));

    // What the listing accepts from lsof always makes entries that can be written as JSON.
    if (const auto accepted = PortCore::socketListingText({std::string(input), true, 0}, "pcRuLPn")) {
        require(isValidUtf8(*accepted));
        for (const PortEntry& entry : PortCore::parseLsof(*accepted, table))
            require(writePortList({entry}).size() > 2);
    }
    for (const auto& [pid, path] : PortCore::cwdMap(input)) require(pid != 0);
    return 0;
}
