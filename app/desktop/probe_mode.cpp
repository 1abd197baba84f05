#include "app/desktop/desktop_modes.h"

#include "core/control/probe.h"

#include <cstdio>

namespace moorix::desktop {

int probeMode(std::int64_t port) {
    std::fputs(PortCore::probe(port) ? "healthy\n" : "no-http\n", stdout);
    return 0;
}

} // namespace moorix::desktop
