#include "app/cli/modes.h"

#include "app/cli/port_listing.h"
#include "core/control/process_control.h"
#include "core/listing/process_table.h"
#include "core/text/terminal_text.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace moorix::cli {

namespace {

// Each line reaches the terminal before the stop it announces, which may take two seconds.
void printLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Calls `act` for each entry on each port, port by port in the order given. The listing (and whatever
// `beforeListing` reads) is taken again only after something was stopped, as that changes it; a port with
// no listener costs nothing.
template <typename Act>
int forEachEntryOn(const std::vector<std::int64_t>& ports, const std::function<void()>& beforeListing,
                   Act act) {
    std::optional<std::vector<PortEntry>> entries;
    for (std::int64_t port : ports) {
        if (!entries) {
            beforeListing();
            entries = listPortsOrSayWhy();
            if (!entries) return listingFailedStatus;
        }
        bool stopped = false;
        for (const auto& entry : *entries) {
            if (entry.port != port) continue;
            act(entry);
            stopped = true;
        }
        if (stopped) entries.reset();
    }
    return 0;
}

} // namespace

int killMode(const std::vector<std::int64_t>& ports, KillNotes& kills) {
    return forEachEntryOn(
        ports, [] {},
        [&kills](const PortEntry& entry) {
            printLine("killing " + terminalSafe(entry.command) + " pid " + std::to_string(entry.pid));
            PortCore::killProcess(entry.pid, false, kills);
        });
}

int killTreeMode(const std::vector<std::int64_t>& ports, KillNotes& kills) {
    ProcessTable table;
    return forEachEntryOn(
        ports, [&] { table = PortCore::processTable(); },
        [&](const PortEntry& entry) {
            const std::int32_t root = PortCore::topDevAncestor(entry.pid, table);
            const auto found = table.find(root);
            const std::string rootName = found == table.end() ? "?" : found->second.comm;
            printLine("leaf " + std::to_string(entry.pid) + " (" + terminalSafe(entry.command) +
                      ") -> tree root " + std::to_string(root) + " (" + terminalSafe(rootName) + ")");
            PortCore::killTree(entry.pid, kills);
        });
}

int restartMode(std::int64_t port, KillNotes& kills) {
    const auto entries = listPortsOrSayWhy();
    if (!entries) return listingFailedStatus;
    for (const auto& entry : *entries) {
        if (entry.port != port) continue;
        printLine("restarting tree of pid " + std::to_string(entry.pid));
        PortCore::restartTree(entry.pid, kills);
    }
    return 0;
}

} // namespace moorix::cli
