#include "app/cli/modes.h"

#include "core/control/probe.h"

#include <cstdio>

namespace moorix::cli {

int probeMode(std::int64_t port) {
    std::fputs(PortCore::probe(port) ? "healthy\n" : "no-http\n", stdout);
    return 0;
}

} // namespace moorix::cli
