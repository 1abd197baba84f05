#pragma once

#include "core/platform/kernel_sources.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace moorix {

// CPU use of processes as a share of one processor, from their cumulative CPU time: the share since this
// meter last read the process, as top shows it, and on first reading the average over the process's
// whole life, as Linux ps shows it. Thread-safe; the lock is held only around the map.
class CpuMeter {
public:
    using Reading = platform::CpuReading;

    // Readings closer together than this say more about the clock's tick than about the load: the
    // previous figure stands and the earlier reading stays the baseline.
    static constexpr double minimumInterval = 0.5;
    // A process not read for this long is forgotten, so that the map does not grow with every pid seen.
    static constexpr double forgetAfter = 120;

    // Percent of one processor (above 100 on several cores); `now` is seconds on a monotonic clock.
    double percent(std::int32_t pid, const Reading& reading, double now);

private:
    struct Seen {
        std::uint64_t startTime;
        double cpuSeconds;
        double at;
        double percent;
    };
    void forgetOld(double now);

    std::mutex m_lock;
    std::unordered_map<std::int32_t, Seen> m_seen;
    double m_lastSweep = 0;
};

} // namespace moorix
