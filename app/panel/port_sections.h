#pragma once

#include "core/listing/port_entry.h"

#include <QString>

#include <cstdint>
#include <limits>
#include <map>
#include <set>
#include <vector>

namespace moorix {

// What the user narrowed the list to: hidden ports, exposed ports only, a search over the port, the
// command, the owner, the project and the label.
struct PortFilter {
    std::set<std::int64_t> hidden;
    bool exposedOnly = false;
    QString query;
    const std::map<QString, QString>& labels;
};

// The entries that pass the filter, in listing order.
std::vector<PortEntry> filterPorts(const std::vector<PortEntry>& entries, const PortFilter& filter);

// The shown entries as the list shows them: the development section, then the other one.
struct PortSections {
    std::vector<PortEntry> dev;
    std::vector<PortEntry> other;

    explicit PortSections(std::vector<PortEntry> shown);
    bool empty() const { return dev.empty() && other.empty(); }
    // Whole rows up to `limit`; a limit that is not a number leaves the list its natural height.
    double height(double limit = std::numeric_limits<double>::infinity()) const;
};

} // namespace moorix
