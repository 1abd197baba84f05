#include "core/history/recorder.h"

#include <algorithm>
#include <iterator>

namespace moorix {

namespace {

std::set<std::int64_t> difference(const std::set<std::int64_t>& a, const std::set<std::int64_t>& b) {
    std::set<std::int64_t> result;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(result, result.end()));
    return result;
}

} // namespace

Recorder::Recorder(Sink sink, ArgvLookup argvOf, PidTest wasKilledByUs)
    : m_sink(std::move(sink)), m_argvOf(std::move(argvOf)), m_wasKilledByUs(std::move(wasKilledByUs)) {}

void Recorder::record(Instant now, const std::set<std::int64_t>& livePorts, const Listing& resolve,
                      const PidTest& isAlive) {
    if (!m_lastPorts) {
        // Ports already open when recording starts have no known beginning, so they get no events at all.
        m_lastPorts = livePorts;
        return;
    }
    const std::set<std::int64_t> opened = difference(livePorts, *m_lastPorts);
    const bool resolved = recordOpenings(now, opened, resolve);
    recordClosings(now, difference(*m_lastPorts, livePorts), isAlive);
    m_lastPorts = resolved ? livePorts : difference(livePorts, opened);
}

bool Recorder::recordOpenings(Instant now, const std::set<std::int64_t>& opened, const Listing& resolve) {
    if (opened.empty()) return true;
    const auto entries = resolve();
    if (!entries) return false;
    for (const PortEntry& entry : *entries) {
        if (!opened.contains(entry.port)) continue;
        PortEvent event{now,           EventAction::Opened, entry.port,          entry.pid,
                        entry.command, entry.parentChain,   entry.user,          entry.address,
                        entry.cwd,     entry.project,       m_argvOf(entry.pid), std::nullopt};
        m_open.insert_or_assign(entry.port, event);
        m_sink(event);
    }
    return true;
}

void Recorder::recordClosings(Instant now, const std::set<std::int64_t>& closed, const PidTest& isAlive) {
    for (std::int64_t port : closed) {
        const auto found = m_open.find(port);
        if (found == m_open.end()) continue;
        const PortEvent opening = std::move(found->second);
        m_open.erase(found);
        // Signalled by us comes first: a process we stopped may not have died yet.
        const Ending ending = m_wasKilledByUs(opening.pid) ? Ending::KilledByMoorix
                              : isAlive(opening.pid)       ? Ending::Unexpected
                                                           : Ending::ParentExited;
        m_sink(PortEvent{now, EventAction::Closed, port, opening.pid, opening.command, opening.parentChain,
                         opening.user, opening.address, opening.cwd, opening.project, std::nullopt, ending});
    }
}

} // namespace moorix
