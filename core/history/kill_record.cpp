#include "core/history/kill_record.h"

#include <utility>

namespace moorix {

KillRecord::KillRecord(Clock clock) : m_clock(std::move(clock)) {}

void KillRecord::note(std::int32_t pid) {
    const auto now = m_clock();
    const std::lock_guard lock(m_lock);
    std::erase_if(m_killed, [&](const auto& record) { return now - record.second >= keepFor; });
    m_killed[pid] = now;
}

bool KillRecord::contains(std::int32_t pid) const {
    const std::lock_guard lock(m_lock);
    return m_killed.contains(pid);
}

} // namespace moorix
