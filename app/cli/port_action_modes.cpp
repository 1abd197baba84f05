#include "app/cli/modes.h"

#include "app/cli/port_listing.h"
#include "core/process_control.h"
#include "core/process_table.h"
#include "core/terminal_text.h"

#include <cstdio>
#include <string>

namespace moorix::cli {

namespace {

// Each line reaches the terminal before the stop it announces, which may take two seconds.
void printLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace

int killMode(std::int64_t port) {
    const auto entries = listPortsOrSayWhy();
    if (!entries) return listingFailedStatus;
    for (const auto& entry : *entries) {
        if (entry.port != port) continue;
        printLine("killing " + terminalSafe(entry.command) + " pid " + std::to_string(entry.pid));
        PortCore::killProcess(entry.pid, false);
    }
    return 0;
}

int killTreeMode(std::int64_t port) {
    const ProcessTable table = PortCore::processTable();
    const auto entries = listPortsOrSayWhy();
    if (!entries) return listingFailedStatus;
    for (const auto& entry : *entries) {
        if (entry.port != port) continue;
        const std::int32_t root = PortCore::topDevAncestor(entry.pid, table);
        const auto found = table.find(root);
        const std::string rootName = found == table.end() ? "?" : found->second.comm;
        printLine("leaf " + std::to_string(entry.pid) + " (" + terminalSafe(entry.command) +
                  ") -> tree root " + std::to_string(root) + " (" + terminalSafe(rootName) + ")");
        PortCore::killTree(entry.pid);
    }
    return 0;
}

int restartMode(std::int64_t port) {
    const auto entries = listPortsOrSayWhy();
    if (!entries) return listingFailedStatus;
    for (const auto& entry : *entries) {
        if (entry.port != port) continue;
        printLine("restarting tree of pid " + std::to_string(entry.pid));
        PortCore::restartTree(entry.pid);
    }
    return 0;
}

} // namespace moorix::cli
