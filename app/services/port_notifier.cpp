#include "app/services/port_notifier.h"

#include "app/services/desktop_notification.h"
#include "app/services/dev_count.h"
#include "app/services/l10n.h"
#include "app/services/preferences.h"
#include "core/control/process_control.h"
#include "core/control/process_inspection.h"
#include "core/history/insights.h"
#include "core/listing/listing.h"
#include "core/listing/port_sampler.h"

#include <QMetaObject>

#include <algorithm>
#include <memory>

namespace moorix {

namespace {

constexpr std::chrono::seconds crashWindow{30};

} // namespace

PortNotifier::PortNotifier(History& history, World world)
    : m_history(history), m_world(std::move(world)),
      m_recorder([&history](const PortEvent& event) { history.append(event); }, m_world.argvOf,
                 m_world.wasKilledByUs) {}

PortNotifier::~PortNotifier() { stop(); }

PortNotifier::World PortNotifier::systemWorld(Preferences& preferences, DevCount& devCount,
                                              const KillNotes& kills) {
    return World{
        // One sampler for the life of the loop: it remembers which sockets a process holds.
        [sampler = std::make_shared<PortCore::PortSampler>()] { return sampler->listeningPorts(); },
        [] { return PortCore::listPorts(); },
        PortCore::processExists,
        [](std::int32_t pid) { return PortCore::argv(pid); },
        [&kills](std::int32_t pid) { return kills.contains(pid); },
        [&preferences] { return preferences.watchedPorts(); },
        [](std::string_view key, std::int64_t port) { return L10n::format(key, {port}).toStdString(); },
        postNotification,
        [&devCount](int count) {
            // The count belongs to the main thread, where it lives.
            QMetaObject::invokeMethod(
                &devCount, [&devCount, count] { devCount.setCount(count); }, Qt::QueuedConnection);
        },
        currentInstant,
        pause,
    };
}

std::chrono::milliseconds PortNotifier::pause(bool watching) {
    return watching ? std::chrono::seconds(5) : std::chrono::seconds(10);
}

void PortNotifier::start() {
    const std::lock_guard lock(m_loopLock);
    if (m_thread.joinable()) return;
    m_stopping = false;
    m_thread = std::thread([this] { run(); });
}

void PortNotifier::stop() {
    {
        const std::lock_guard lock(m_loopLock);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

void PortNotifier::run() {
    std::unique_lock lock(m_loopLock);
    while (!m_stopping) {
        // Re-read before every pause, so that watching a first port speeds the loop up at once.
        lock.unlock();
        const auto wait = m_world.pauseFor(!m_world.watched().empty());
        lock.lock();
        if (m_wake.wait_until(lock, std::chrono::steady_clock::now() + wait, [this] { return m_stopping; }))
            break;
        lock.unlock();
        tick();
        lock.lock();
    }
}

void PortNotifier::tick() {
    const auto ports = m_world.listeningPorts();
    // A listing that failed says nothing about the ports; taken as "none" it would close them all.
    if (!ports) return;
    const std::set<std::int64_t> live(ports->begin(), ports->end());
    const Instant now = m_world.now();

    m_recorder.record(now, live, m_world.listPorts, m_world.isAlive);
    m_world.publishCount(static_cast<int>(std::count_if(live.begin(), live.end(), isDevPort)));
    notifyCrashes(now);
    notifyWatched(live);
}

void PortNotifier::notifyCrashes(Instant now) {
    // A crash is told once, as an event: another server taking its port while the crash is still in the
    // window does not make it new, and a second crash on that port is an event of its own.
    std::erase_if(m_notifiedCrashes,
                  [&](const auto& crash) { return std::get<Instant>(crash) < now - crashWindow; });
    for (const PortEvent& crash : Insights::crashes(m_history.events(now - crashWindow), m_world.isAlive)) {
        if (!m_notifiedCrashes.insert({crash.at, crash.port, crash.pid}).second) continue;
        m_world.notify(m_world.message("notif_crashed", crash.port));
    }
}

void PortNotifier::notifyWatched(const std::set<std::int64_t>& live) {
    const std::set<std::int64_t> watched = m_world.watched();
    if (watched.empty()) {
        m_lastOpen.reset();
        return;
    }
    std::set<std::int64_t> openNow;
    std::set_intersection(watched.begin(), watched.end(), live.begin(), live.end(),
                          std::inserter(openNow, openNow.end()));
    if (!m_lastOpen) {
        m_lastOpen = std::move(openNow);
        return;
    }
    for (std::int64_t port : openNow)
        if (!m_lastOpen->contains(port)) m_world.notify(m_world.message("notif_opened", port));
    for (std::int64_t port : *m_lastOpen)
        if (!openNow.contains(port)) m_world.notify(m_world.message("notif_closed", port));
    m_lastOpen = std::move(openNow);
}

} // namespace moorix
