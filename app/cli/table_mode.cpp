#include "app/cli/modes.h"
#include "app/cli/port_listing.h"
#include "app/cli/port_table.h"

#include "core/control/process_inspection.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace moorix::cli {

namespace {

// The terminal's width when standard output is one; colour only then, and never when NO_COLOR is set.
TableStyle terminalStyle() {
    TableStyle style;
    if (!::isatty(STDOUT_FILENO)) return style;
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) style.width = size.ws_col;
    const char* noColour = std::getenv("NO_COLOR");
    style.colour = !(noColour && *noColour);
    return style;
}

} // namespace

int tableMode() {
    const auto entries = listPortsOrSayWhy();
    if (!entries) return listingFailedStatus;
    std::vector<std::int32_t> pids;
    for (const auto& entry : *entries) pids.push_back(entry.pid);
    // One reading: each figure is the process's average over its life.
    CpuMeter meter;
    const std::string text = renderPortTable(*entries, PortCore::stats(pids, meter), terminalStyle());
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

} // namespace moorix::cli
