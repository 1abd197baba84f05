#pragma once

#include "core/history/port_event.h"

#include <cstddef>
#include <iterator>
#include <memory>
#include <vector>

namespace moorix {

// A read-only selection of history events, in file order, made without copying them: it shares the blocks
// of events a store has decoded. A store only ever adds events past the end of a block, and a view covers
// only the events that existed when it was made, so a view stays valid and unchanged whatever the store
// does next (appends, rereads), on whichever thread it is read.
class HistoryView {
public:
    // Consecutive events of one block, kept alive by `owner`.
    struct Run {
        std::shared_ptr<const void> owner;
        const PortEvent* first = nullptr;
        std::size_t count = 0;
    };

    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = PortEvent;
        using difference_type = std::ptrdiff_t;
        using pointer = const PortEvent*;
        using reference = const PortEvent&;

        Iterator() = default;
        Iterator(const Run* run, const Run* end)
            : m_run(run), m_end(end), m_at(run != end ? run->first : nullptr) {}
        reference operator*() const { return *m_at; }
        pointer operator->() const { return m_at; }
        Iterator& operator++() {
            if (++m_at == m_run->first + m_run->count) m_at = ++m_run != m_end ? m_run->first : nullptr;
            return *this;
        }
        Iterator operator++(int) {
            Iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const Iterator& other) const { return m_run == other.m_run && m_at == other.m_at; }

    private:
        const Run* m_run = nullptr;
        const Run* m_end = nullptr;
        const PortEvent* m_at = nullptr;
    };
    using const_iterator = Iterator;
    using iterator = Iterator;
    using value_type = PortEvent;

    HistoryView() = default;
    // A view that owns these events, for events that come from elsewhere than a store.
    explicit HistoryView(std::vector<PortEvent> events);

    // Appends `count` events starting at `first` (which `owner` keeps alive) to the end of the view.
    void add(std::shared_ptr<const void> owner, const PortEvent* first, std::size_t count);

    std::size_t size() const { return m_size; }

    Iterator begin() const { return {m_runs.data(), m_runs.data() + m_runs.size()}; }
    Iterator end() const { return {m_runs.data() + m_runs.size(), m_runs.data() + m_runs.size()}; }

private:
    std::vector<Run> m_runs;
    std::size_t m_size = 0;
};

} // namespace moorix
