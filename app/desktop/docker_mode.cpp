#include "app/desktop/desktop_modes.h"

#include "core/listing/docker.h"
#include "core/text/terminal_text.h"

#include <cstdio>
#include <string>

namespace moorix::desktop {

int dockerMode() {
    // The map is ordered by host port already.
    for (const auto& [port, name] : Docker::containerPorts()) {
        const std::string line = std::to_string(port) + " -> " + terminalSafe(name) + "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return 0;
}

} // namespace moorix::desktop
