#include "app/cli/port_listing.h"

#include "core/listing/listing.h"

#include <cstdio>

namespace moorix::cli {

std::optional<std::vector<PortEntry>> listPortsOrSayWhy() {
    auto entries = PortCore::listPorts();
    if (!entries) std::fputs("moorix: the listening sockets could not be listed\n", stderr);
    return entries;
}

} // namespace moorix::cli
