#include "core/control/cpu_meter.h"

#include <algorithm>

namespace moorix {

double CpuMeter::percent(std::int32_t pid, const Reading& reading, double now) {
    const std::lock_guard lock(m_lock);
    forgetOld(now);
    auto seen = m_seen.find(pid);
    if (seen == m_seen.end() || seen->second.startTime != reading.startTime) {
        const double average = reading.lifeSeconds > 0 ? 100 * reading.cpuSeconds / reading.lifeSeconds : 0;
        m_seen.insert_or_assign(pid, Seen{reading.startTime, reading.cpuSeconds, now, average});
        return average;
    }
    Seen& last = seen->second;
    const double interval = now - last.at;
    if (interval < minimumInterval) return last.percent;
    last.percent = std::max(0.0, 100 * (reading.cpuSeconds - last.cpuSeconds) / interval);
    last.cpuSeconds = reading.cpuSeconds;
    last.at = now;
    return last.percent;
}

void CpuMeter::forgetOld(double now) {
    if (now - m_lastSweep < forgetAfter) return;
    m_lastSweep = now;
    std::erase_if(m_seen, [&](const auto& item) { return now - item.second.at >= forgetAfter; });
}

} // namespace moorix
