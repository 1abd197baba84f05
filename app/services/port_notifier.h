#pragma once

#include "core/history/history.h"
#include "core/history/instant.h"
#include "core/history/kill_notes.h"
#include "core/history/recorder.h"
#include "core/listing/port_entry.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <tuple>
#include <vector>

namespace moorix {

class DevCount;
class Preferences;

// The application's background heartbeat: samples the listening ports every few seconds, records their
// history, publishes the development-port count, and notifies crashes and watched ports.
class PortNotifier {
public:
    // Everything one sample reads from and acts on.
    struct World {
        // Absent when the sample could not be taken.
        std::function<std::optional<std::vector<std::int64_t>>()> listeningPorts;
        Recorder::Listing listPorts;
        std::function<bool(std::int32_t pid)> isAlive;
        Recorder::ArgvLookup argvOf;
        Recorder::PidTest wasKilledByUs;
        std::function<std::set<std::int64_t>()> watched;
        std::function<std::string(std::string_view key, std::int64_t port)> message;
        std::function<void(const std::string& message)> notify;
        std::function<void(int count)> publishCount;
        std::function<Instant()> now;
        std::function<std::chrono::milliseconds(bool watching)> pauseFor;
    };

    PortNotifier(History& history, World world);
    ~PortNotifier();
    PortNotifier(const PortNotifier&) = delete;
    PortNotifier& operator=(const PortNotifier&) = delete;

    // The real ones: the system's ports, the user's watched ports in `preferences`, stops noted in `kills`,
    // desktop notifications, and the count published to `devCount` on its own thread.
    static World systemWorld(Preferences& preferences, DevCount& devCount, const KillNotes& kills);

    // Starts the sampling thread; the first sample comes one pause after the start.
    void start();
    // Ends the loop, waiting for a sample in progress; samples never overlap.
    void stop();

    // One sample. Only the sampling thread calls it, except in tests. A sample that could not be taken
    // changes nothing: no history, no count, no notification, and the next one compares with the last
    // sample that was taken.
    void tick();

    // 5 seconds while the user watches a port, else 10.
    static std::chrono::milliseconds pause(bool watching);

private:
    void notifyCrashes(Instant now);
    void notifyWatched(const std::set<std::int64_t>& live);
    void run();

    History& m_history;
    World m_world;
    Recorder m_recorder;
    std::optional<std::set<std::int64_t>> m_lastOpen;
    std::set<std::tuple<Instant, std::int64_t, std::int32_t>> m_notifiedCrashes;

    std::mutex m_loopLock;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace moorix
