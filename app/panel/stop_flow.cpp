#include "app/panel/stop_flow.h"

#include "app/services/preferences.h"

#include <QPointer>

#include <thread>

namespace moorix {

namespace {

constexpr auto restartSettle = std::chrono::milliseconds(1500);

// Whether `pid` still names the process that was listed; unknown start times do not stop an action.
bool stillTheSameProcess(const PanelBackend& backend, const PendingKill& kill) {
    return !kill.startTime || backend.startTime(kill.entry.pid) == kill.startTime;
}

} // namespace

StopFlow::StopFlow(PanelBackend backend, Executor executor, Preferences& preferences, ContainerOf containerOf,
                   QObject* parent)
    : QObject(parent), m_backend(std::move(backend)), m_executor(std::move(executor)),
      m_preferences(preferences), m_containerOf(std::move(containerOf)) {}

bool StopFlow::isPending(const PortEntry& entry) const {
    return m_pending && m_pending->entry.id() == entry.id();
}

void StopFlow::setStartTimes(std::unordered_map<std::int32_t, std::uint64_t> startTimes) {
    m_startTimes = std::move(startTimes);
}

PendingKill StopFlow::pendingFor(const PortEntry& entry, StopAction action) const {
    PendingKill kill{entry, action, std::nullopt};
    if (const auto started = m_startTimes.find(entry.pid); started != m_startTimes.end())
        kill.startTime = started->second;
    return kill;
}

void StopFlow::request(const PortEntry& entry, StopAction action) {
    PendingKill kill = pendingFor(entry, action);
    if (!m_preferences.confirmBeforeKill() && !entry.isSystemCritical()) {
        perform(kill);
        return;
    }
    m_pending = std::move(kill);
    emit pendingChanged();
}

void StopFlow::confirm() {
    if (!m_pending) return;
    const PendingKill kill = *m_pending;
    m_pending.reset();
    emit pendingChanged();
    perform(kill);
}

void StopFlow::cancel() {
    if (!m_pending) return;
    m_pending.reset();
    emit pendingChanged();
}

void StopFlow::perform(const PendingKill& kill) {
    QPointer<StopFlow> self(this);
    m_executor.background([self, kill, container = m_containerOf(kill.entry.port), backend = m_backend,
                           toMain = m_executor.toMain] {
        const std::int32_t pid = kill.entry.pid;
        if (kill.action == StopAction::RestartTree) {
            if (stillTheSameProcess(backend, kill)) {
                backend.restartTree(pid);
                std::this_thread::sleep_for(restartSettle);
            }
        } else if (container) {
            // The port belongs to the container, not to the proxy process that holds it.
            backend.stopContainer(*container);
        } else if (stillTheSameProcess(backend, kill)) {
            if (kill.action == StopAction::StopTree)
                backend.killTree(pid);
            else
                backend.killProcess(pid, kill.action == StopAction::ForceStop);
        }
        auto snapshot = takeSnapshot(backend);
        if (!snapshot) return;
        toMain([self, snapshot = std::move(*snapshot)] {
            if (self) emit self->lookedAgain(snapshot);
        });
    });
}

void StopFlow::reclaim(const std::vector<PortEntry>& targets) {
    if (targets.empty() || m_reclaiming) return;
    m_reclaiming = true;
    emit reclaimingChanged();
    std::vector<PendingKill> kills;
    for (const auto& entry : targets) kills.push_back(pendingFor(entry, StopAction::StopTree));
    QPointer<StopFlow> self(this);
    m_executor.background([self, kills = std::move(kills), backend = m_backend, toMain = m_executor.toMain] {
        for (const auto& kill : kills)
            if (stillTheSameProcess(backend, kill)) backend.killTree(kill.entry.pid);
        toMain([self, snapshot = takeSnapshot(backend)] {
            if (!self) return;
            self->m_reclaiming = false;
            emit self->reclaimingChanged();
            if (snapshot) emit self->lookedAgain(*snapshot);
        });
    });
}

} // namespace moorix
