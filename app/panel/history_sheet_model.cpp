#include "app/panel/history_sheet_model.h"

#include <QPointer>

#include <algorithm>

namespace moorix {

HistorySheetModel::HistorySheetModel(PanelBackend backend, Executor executor, QObject* parent)
    : QObject(parent), m_backend(std::move(backend)), m_executor(std::move(executor)) {}

void HistorySheetModel::toggle() {
    m_port.reset();
    m_shown = !m_shown;
    if (m_shown) load();
    emit shownChanged();
}

void HistorySheetModel::showFor(std::int64_t port) {
    m_port = port;
    m_shown = true;
    load();
    emit shownChanged();
}

void HistorySheetModel::close() {
    if (!m_shown) return;
    m_shown = false;
    emit shownChanged();
}

// The sheet shows what the file held when it was opened; a cold read of a long history takes a while, so
// it happens on a worker.
void HistorySheetModel::load() {
    m_events.clear();
    const std::uint64_t load = ++m_load;
    QPointer<HistorySheetModel> self(this);
    m_executor.background([self, load, port = m_port, backend = m_backend, toMain = m_executor.toMain] {
        const HistoryView view = backend.history(backend.now() - historyReach);
        std::vector<PortEvent> events;
        for (const auto& event : view)
            if (!port || event.port == *port) events.push_back(event);
        std::reverse(events.begin(), events.end());
        toMain([self, load, events = std::move(events)]() mutable {
            if (!self || load != self->m_load || !self->m_shown) return;
            self->m_events = std::move(events);
            emit self->eventsChanged();
        });
    });
}

} // namespace moorix
