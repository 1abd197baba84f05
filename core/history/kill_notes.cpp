#include "core/history/kill_notes.h"

#include <chrono>
#include <utility>

namespace moorix {

KillNotes::KillNotes(std::string logPath) : m_log(std::move(logPath)) {}

void KillNotes::note(std::int32_t pid) {
    m_record.note(pid);
    m_log.note(pid, std::chrono::system_clock::now());
}

bool KillNotes::contains(std::int32_t pid) const {
    return m_record.contains(pid) || m_log.contains(pid, std::chrono::system_clock::now());
}

} // namespace moorix
