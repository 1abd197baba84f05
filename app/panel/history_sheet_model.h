#pragma once

#include "app/panel/executor.h"
#include "app/panel/panel_backend.h"
#include "core/history/port_event.h"

#include <QObject>

#include <cstdint>
#include <optional>
#include <vector>

namespace moorix {

// The history sheet that covers the panel's list: shown or not, for one port or for all, and its events.
class HistorySheetModel : public QObject {
    Q_OBJECT

public:
    HistorySheetModel(PanelBackend backend, Executor executor, QObject* parent = nullptr);

    bool shown() const { return m_shown; }
    // The port whose history is shown; absent for all ports.
    std::optional<std::int64_t> port() const { return m_port; }
    // Newest first; empty until loaded.
    const std::vector<PortEvent>& events() const { return m_events; }

    // The header's history button: all ports, or closes the sheet.
    void toggle();
    void showFor(std::int64_t port);
    void close();

signals:
    void shownChanged();
    void eventsChanged();

private:
    void load();

    PanelBackend m_backend;
    Executor m_executor;
    bool m_shown = false;
    std::optional<std::int64_t> m_port;
    std::vector<PortEvent> m_events;
    // Which load the sheet waits for: an older one that answers late is dropped.
    std::uint64_t m_load = 0;
};

} // namespace moorix
