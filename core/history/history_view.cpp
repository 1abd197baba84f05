#include "core/history/history_view.h"

namespace moorix {

HistoryView::HistoryView(std::vector<PortEvent> events) {
    auto owned = std::make_shared<const std::vector<PortEvent>>(std::move(events));
    add(owned, owned->data(), owned->size());
}

void HistoryView::add(std::shared_ptr<const void> owner, const PortEvent* first, std::size_t count) {
    if (count == 0) return;
    Run* last = m_runs.empty() ? nullptr : &m_runs.back();
    if (last && last->owner == owner && last->first + last->count == first) {
        last->count += count;
    } else {
        m_runs.push_back({std::move(owner), first, count});
    }
    m_size += count;
}

} // namespace moorix
