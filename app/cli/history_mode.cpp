#include "app/cli/modes.h"

#include "core/history/history.h"
#include "core/text/terminal_text.h"

#include <cstdio>

namespace moorix::cli {

namespace {

constexpr std::chrono::seconds kThirtyDays{2592000};

} // namespace

int historyMode(History& history) {
    std::string out;
    for (const PortEvent& event : history.events(currentInstant() - kThirtyDays)) {
        out += formatDisplayInstant(event.at);
        out += event.action == EventAction::Closed ? " closed " : " opened ";
        out += std::to_string(event.port) + " " + terminalSafe(event.command) + " \u2190 " +
               terminalSafe(event.root()) + " ";
        if (event.ending) out += rawValue(*event.ending);
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

} // namespace moorix::cli
