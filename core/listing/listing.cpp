#include "core/listing/listing.h"

#include "core/listing/cwd.h"
#include "core/listing/kernel_listing.h"
#include "core/listing/lsof.h"
#include "core/listing/process_table.h"
#include "core/platform/kernel_sources.h"
#include "core/platform/platform.h"
#include "core/text/utf8.h"

#include <map>
#include <set>

namespace moorix::PortCore {

std::optional<std::vector<PortEntry>> listPorts() {
    return listPorts(kernelSocketEntries, runToolWithStatus, platform::workingDirectories);
}

std::optional<std::vector<PortEntry>> toolSocketEntries(const ToolRunner& run) {
    const auto sockets = fullSocketListing(run);
    if (!sockets) return std::nullopt;
    const ProcessTable table = processTableFromPs(run);
    std::vector<PortEntry> entries = parseLsof(*sockets, table);
    for (auto& entry : entries) entry.command = platform::fullCommandName(entry.pid, entry.command);
    return entries;
}

std::optional<std::vector<PortEntry>> listPorts(const SocketEntries& kernel, const ToolRunner& run,
                                                const DirectoryLookup& directories) {
    auto entries = kernel();
    if (!entries) entries = toolSocketEntries(run);
    if (!entries || entries->empty()) return entries;

    // One lookup for all processes together, each pid once.
    std::set<std::int32_t> distinct;
    for (const auto& entry : *entries)
        if (entry.pid > 0) distinct.insert(entry.pid);
    if (distinct.empty()) return entries;
    const auto cwds = directories({distinct.begin(), distinct.end()}, run);

    // A process holding many sockets has one folder: its manifest is read once.
    std::map<std::string, std::string> projects;
    for (auto& entry : *entries) {
        auto found = cwds.find(entry.pid);
        // A path that is not UTF-8 cannot be shown or written as JSON: the folder counts as unknown.
        if (found == cwds.end() || found->second == "/" || !isValidUtf8(found->second)) continue;
        const std::string& folder = found->second;
        entry.cwd = folder;
        auto project = projects.find(folder);
        if (project == projects.end()) project = projects.emplace(folder, projectName(folder)).first;
        entry.project = project->second;
    }
    return entries;
}

} // namespace moorix::PortCore
