#include "core/listing.h"

#include "core/cwd.h"
#include "core/lsof.h"
#include "core/platform/platform.h"
#include "core/process_table.h"

#include <set>

namespace moorix::PortCore {

std::vector<PortEntry> listPorts(const ToolRunner& run) {
    const std::string sockets = run(platform::lsofPath(), socketListingArgs(), 5.0);
    const ProcessTable table = processTable(run);
    std::vector<PortEntry> entries = parseLsof(sockets, table);
    if (entries.empty()) return entries;

    std::set<std::int32_t> pids;
    for (const auto& entry : entries)
        if (entry.pid > 0) pids.insert(entry.pid);
    if (pids.empty()) return entries;
    std::string pidList;
    for (std::int32_t pid : pids) {
        if (!pidList.empty()) pidList += ',';
        pidList += std::to_string(pid);
    }
    const auto cwds = cwdMap(run(platform::lsofPath(), {"-a", "-p", pidList, "-d", "cwd", "-F", "pn"}, 5.0));

    for (auto& entry : entries) {
        auto found = cwds.find(entry.pid);
        if (found == cwds.end() || found->second == "/" || !platform::isReadableCwdName(found->second)) continue;
        entry.cwd = found->second;
        entry.project = projectName(found->second);
    }
    return entries;
}

} // namespace moorix::PortCore
