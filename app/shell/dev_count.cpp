#include "app/shell/dev_count.h"

#include "core/port_entry.h"

#include <set>

namespace moorix {

DevCount& DevCount::shared() {
    static DevCount* instance = new DevCount; // lives for the process; views connect to it at any time
    return *instance;
}

void DevCount::setCount(int count) {
    if (count == m_count) return;
    m_count = count;
    emit countChanged(count);
}

int DevCount::countDevPorts(const std::vector<std::int64_t>& ports) {
    std::set<std::int64_t> dev;
    for (auto port : ports)
        if (isDevPort(port)) dev.insert(port);
    return static_cast<int>(dev.size());
}

} // namespace moorix
