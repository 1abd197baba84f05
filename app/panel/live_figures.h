#pragma once

#include "app/panel/executor.h"
#include "app/panel/panel_backend.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

namespace moorix {

// What the panel watches between listings: the CPU and memory of each listed process, read a second
// apart while the panel is shown, and whether each development port answers HTTP.
class LiveFigures : public QObject {
    Q_OBJECT

public:
    LiveFigures(PanelBackend backend, Executor executor, QObject* parent = nullptr);

    // The once-a-second reading runs only while the panel is shown.
    void setRunning(bool running);
    // The processes of a new listing, with the figures it brought.
    void follow(const std::vector<PortEntry>& entries, std::unordered_map<std::int32_t, ProcessStats> stats);
    // Probes each development port once; one that did not answer is left alone for a while.
    void probe(const std::vector<PortEntry>& entries);

    // "%12 · 340 MB"; empty until the process's figures are known.
    QString statsText(std::int32_t pid) const;
    // Absent until the port was probed.
    std::optional<bool> healthy(std::int64_t port) const;

signals:
    void statsChanged();
    void healthChanged(std::int64_t port);

private:
    void tick();
    void scheduleTick();

    PanelBackend m_backend;
    Executor m_executor;
    std::vector<std::int32_t> m_pids;
    std::unordered_map<std::int32_t, ProcessStats> m_stats;
    std::map<std::int64_t, bool> m_health;
    std::map<std::int64_t, double> m_probedAt;
    bool m_running = false;
    bool m_inFlight = false;
    QTimer m_timer;
};

} // namespace moorix
