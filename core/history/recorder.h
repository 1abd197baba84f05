#pragma once

#include "core/history/instant.h"
#include "core/history/port_event.h"
#include "core/listing/port_entry.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace moorix {

// Turns successive samples of the listening ports into "opened" and "closed" events. Used by one caller
// at a time; it has no lock.
class Recorder {
public:
    // Receives each event as it is decided: the history file for the application, standard output for
    // the command line's watch.
    using Sink = std::function<void(const PortEvent& event)>;
    using ArgvLookup = std::function<std::optional<std::vector<std::string>>(std::int32_t pid)>;
    using PidTest = std::function<bool(std::int32_t pid)>;
    // The full listing; absent when it could not be taken.
    using Listing = std::function<std::optional<std::vector<PortEntry>>()>;

    // `argvOf` reads a process's argument vector; `wasKilledByUs` tells whether this program signalled it.
    Recorder(Sink sink, ArgvLookup argvOf, PidTest wasKilledByUs);

    // `livePorts` is a sample that was taken: a failed one must not be passed. `resolve` is called at most
    // once, only when some port is newly open; when it fails, those ports count as not yet seen, so that
    // the next sample records their opening.
    void record(Instant now, const std::set<std::int64_t>& livePorts, const Listing& resolve,
                const PidTest& isAlive);

private:
    // Whether the openings could be resolved.
    bool recordOpenings(Instant now, const std::set<std::int64_t>& opened, const Listing& resolve);
    void recordClosings(Instant now, const std::set<std::int64_t>& closed, const PidTest& isAlive);

    Sink m_sink;
    ArgvLookup m_argvOf;
    PidTest m_wasKilledByUs;
    std::map<std::int64_t, PortEvent> m_open;
    std::optional<std::set<std::int64_t>> m_lastPorts;
};

} // namespace moorix
