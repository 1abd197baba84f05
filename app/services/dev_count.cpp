#include "app/services/dev_count.h"

namespace moorix {

void DevCount::setCount(int count) {
    if (count == m_count) return;
    m_count = count;
    emit countChanged(count);
}

} // namespace moorix
