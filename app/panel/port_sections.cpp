#include "app/panel/port_sections.h"

#include "app/panel/list_metrics.h"

#include <algorithm>
#include <cmath>

namespace moorix {

namespace {

QString text(const std::string& value) { return QString::fromStdString(value); }

bool contains(const QString& haystack, const QString& lowerQuery) {
    return haystack.toLower().contains(lowerQuery);
}

} // namespace

std::vector<PortEntry> filterPorts(const std::vector<PortEntry>& entries, const PortFilter& filter) {
    const QString query = filter.query.toLower();
    std::vector<PortEntry> kept;
    for (const auto& entry : entries) {
        if (filter.hidden.contains(entry.port) || (filter.exposedOnly && !entry.isExposed())) continue;
        if (!query.isEmpty()) {
            const auto label = filter.labels.find(QString::number(entry.port));
            const bool found = QString::number(entry.port).contains(query) ||
                               contains(text(entry.command), query) || contains(text(entry.owner()), query) ||
                               (entry.project && contains(text(*entry.project), query)) ||
                               (label != filter.labels.end() && contains(label->second, query));
            if (!found) continue;
        }
        kept.push_back(entry);
    }
    return kept;
}

PortSections::PortSections(std::vector<PortEntry> shown) {
    for (auto& entry : shown) (entry.isDev() ? dev : other).push_back(std::move(entry));
}

double PortSections::height(double limit) const {
    using namespace ListMetrics;
    const double fixed =
        (int(!dev.empty()) + int(!other.empty())) * sectionHeaderHeight + topMargin + bottomMargin;
    const double natural = static_cast<double>(dev.size() + other.size()) * rowHeight + fixed;
    // A limit that is not a number is not less than anything.
    if (!(limit < natural)) return natural;
    const double rows = std::max(1.0, std::trunc((limit - fixed) / rowHeight));
    return rows * rowHeight + fixed;
}

} // namespace moorix
