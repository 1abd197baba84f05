#include "app/cli/modes.h"

#include "app/cli/port_listing.h"
#include "core/history/history.h"
#include "core/history/insights.h"
#include "core/listing/process_table.h"
#include "core/text/terminal_text.h"

#include <cstdio>

namespace moorix::cli {

namespace {

constexpr std::chrono::seconds kThirtyDays{2592000};

} // namespace

int insightsMode(History& store) {
    const auto listed = listPortsOrSayWhy();
    if (!listed) return listingFailedStatus;
    const std::vector<PortEntry>& entries = *listed;
    const ProcessTable table = PortCore::processTable();
    std::string out;
    const auto ppidOf = [&](std::int32_t pid) -> std::optional<std::int32_t> {
        const auto found = table.find(pid);
        if (found == table.end()) return std::nullopt;
        return found->second.ppid;
    };
    for (const PortEntry& orphan : Insights::orphans(entries, ppidOf))
        out += "orphan  " + std::to_string(orphan.port) + " " + terminalSafe(orphan.command) + " pid " +
               std::to_string(orphan.pid) + "\n";
    const Instant now = currentInstant();
    const auto history = store.events(now - kThirtyDays);
    for (const Insights::Stale& stale :
         Insights::stale(entries, history, now, Insights::staleThresholdDefault))
        out += "stale   " + std::to_string(stale.entry.port) + " " + terminalSafe(stale.entry.command) +
               " since " + formatDisplayInstant(stale.since) + "\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

} // namespace moorix::cli
