// ps output: the process table with the ancestry walks over it, and the CPU and memory columns.
#include "core/control/process_inspection.h"
#include "core/listing/process_table.h"
#include "tests/fuzz/fuzz_input.h"

#include <cmath>

using namespace moorix;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::text(data, size);
    const ProcessTable table = PortCore::parseProcessTable(input);
    for (const auto& [pid, info] : table) {
        require(!info.comm.empty());
        // The walks end on any table, cycles included.
        const Ancestry origin = PortCore::ancestry(pid, table);
        require(origin.chain.size() <= PortCore::chainLimit);
        PortCore::topDevAncestor(pid, table);
    }
    for (const auto& [pid, stats] : PortCore::parseStats(input)) require(std::isfinite(stats.cpu));
    return 0;
}
