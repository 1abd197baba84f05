#include "app/services/dev_count.h"

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

} // namespace moorix
