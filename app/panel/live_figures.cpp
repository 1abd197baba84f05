#include "app/panel/live_figures.h"

#include "app/panel/panel_snapshot.h"
#include "core/text/format_mem.h"

#include <QPointer>

#include <cmath>
#include <set>

namespace moorix {

namespace {

constexpr double unhealthyProbePause = 30;

} // namespace

LiveFigures::LiveFigures(PanelBackend backend, Executor executor, QObject* parent)
    : QObject(parent), m_backend(std::move(backend)), m_executor(std::move(executor)) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &LiveFigures::tick);
}

void LiveFigures::setRunning(bool running) {
    if (running == m_running) return;
    m_running = running;
    if (running)
        tick();
    else
        m_timer.stop();
}

void LiveFigures::follow(const std::vector<PortEntry>& entries,
                         std::unordered_map<std::int32_t, ProcessStats> stats) {
    m_pids = pidsOf(entries);
    m_stats = std::move(stats);
}

void LiveFigures::tick() {
    if (!m_running || m_inFlight) return;
    if (m_pids.empty()) {
        scheduleTick();
        return;
    }
    m_inFlight = true;
    QPointer<LiveFigures> self(this);
    m_executor.background([self, pids = m_pids, stats = m_backend.stats, toMain = m_executor.toMain] {
        toMain([self, figures = stats(pids)]() mutable {
            if (!self) return;
            self->m_inFlight = false;
            self->m_stats = std::move(figures);
            emit self->statsChanged();
            self->scheduleTick();
        });
    });
}

void LiveFigures::scheduleTick() {
    if (m_running) m_timer.start(1000);
}

void LiveFigures::probe(const std::vector<PortEntry>& entries) {
    const double now = m_backend.monotonic();
    std::set<std::int64_t> started;
    for (const auto& entry : entries) {
        if (!entry.isDev() || started.contains(entry.port)) continue;
        const auto health = m_health.find(entry.port);
        const auto probed = m_probedAt.find(entry.port);
        if (health != m_health.end() && !health->second && probed != m_probedAt.end() &&
            now - probed->second < unhealthyProbePause)
            continue;
        m_probedAt[entry.port] = now;
        started.insert(entry.port);
        QPointer<LiveFigures> self(this);
        m_executor.probes([self, port = entry.port, probe = m_backend.probe, toMain = m_executor.toMain] {
            const bool answered = probe(port);
            toMain([self, port, answered] {
                if (!self) return;
                // Probes answer one by one, many at a time: each touches only its own port's rows.
                const auto [stored, added] = self->m_health.try_emplace(port, answered);
                if (!added && stored->second == answered) return;
                stored->second = answered;
                emit self->healthChanged(port);
            });
        });
    }
}

QString LiveFigures::statsText(std::int32_t pid) const {
    const auto stat = m_stats.find(pid);
    if (stat == m_stats.end()) return {};
    return QStringLiteral("%") + QString::number(std::lround(stat->second.cpu)) + QStringLiteral(" \u00B7 ") +
           QString::fromStdString(formatMem(stat->second.memMB));
}

std::optional<bool> LiveFigures::healthy(std::int64_t port) const {
    if (const auto found = m_health.find(port); found != m_health.end()) return found->second;
    return std::nullopt;
}

} // namespace moorix
