#pragma once

#include "app/panel/executor.h"
#include "app/panel/panel_backend.h"
#include "app/panel/panel_snapshot.h"
#include "app/panel/pending_kill.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace moorix {

class Preferences;

// Stopping servers from the panel: a request, the user's confirmation when it is asked for, and the
// stop itself on a worker. A pid is signalled only while it still names the process that was listed.
// After every stop the machine is looked at again, so that what the panel shows follows at once.
class StopFlow : public QObject {
    Q_OBJECT

public:
    // The container that publishes a port, if any: its port is stopped through it.
    using ContainerOf = std::function<std::optional<std::string>(std::int64_t port)>;

    StopFlow(PanelBackend backend, Executor executor, Preferences& preferences, ContainerOf containerOf,
             QObject* parent = nullptr);

    const std::optional<PendingKill>& pending() const { return m_pending; }
    bool isPending(const PortEntry& entry) const;
    bool reclaiming() const { return m_reclaiming; }
    // When each listed process started, from the newest listing.
    void setStartTimes(std::unordered_map<std::int32_t, std::uint64_t> startTimes);

    // Waits for confirmation, unless the user turned it off and the process is not the system's.
    void request(const PortEntry& entry, StopAction action);
    void confirm();
    void cancel();
    // Stops every target's tree, all at once and without asking: the alert strip's "reclaim all".
    void reclaim(const std::vector<PortEntry>& targets);

signals:
    void pendingChanged();
    void reclaimingChanged();
    // The machine as it is after a stop; not sent when the listing could not be taken.
    void lookedAgain(const PanelSnapshot& snapshot);

private:
    PendingKill pendingFor(const PortEntry& entry, StopAction action) const;
    void perform(const PendingKill& kill);

    PanelBackend m_backend;
    Executor m_executor;
    Preferences& m_preferences;
    ContainerOf m_containerOf;
    std::unordered_map<std::int32_t, std::uint64_t> m_startTimes;
    std::optional<PendingKill> m_pending;
    bool m_reclaiming = false;
};

} // namespace moorix
