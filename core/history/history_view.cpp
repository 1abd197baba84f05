#include "core/history/history_view.h"

#include <algorithm>

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
        m_ends.push_back(0);
    }
    m_size += count;
    m_ends.back() = m_size;
}

const PortEvent& HistoryView::operator[](std::size_t index) const {
    const auto run =
        static_cast<std::size_t>(std::upper_bound(m_ends.begin(), m_ends.end(), index) - m_ends.begin());
    return m_runs[run].first[index - (m_ends[run] - m_runs[run].count)];
}

std::vector<PortEvent> HistoryView::toVector() const {
    std::vector<PortEvent> events;
    events.reserve(m_size);
    for (const Run& run : m_runs) events.insert(events.end(), run.first, run.first + run.count);
    return events;
}

} // namespace moorix
