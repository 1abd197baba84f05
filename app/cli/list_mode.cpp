#include "app/cli/modes.h"

#include "app/cli/port_listing.h"

#include <cstdio>

namespace moorix::cli {

int listMode() {
    const auto entries = listPortsOrSayWhy();
    std::string text = entries ? writePortList(*entries) : writePortList({});
    text += '\n';
    std::fwrite(text.data(), 1, text.size(), stdout);
    return entries ? 0 : listingFailedStatus;
}

} // namespace moorix::cli
