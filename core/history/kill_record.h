#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <unordered_map>

namespace moorix {

// The processes this program decided to signal in the last minute, so that a port closing right after
// a stop is attributed to us. Thread-safe; the lock is held only around the map.
class KillRecord {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;
    static constexpr std::chrono::seconds keepFor{60};

    explicit KillRecord(Clock clock = [] { return std::chrono::system_clock::now(); });

    // Records `pid` now, first dropping every record `keepFor` old or older.
    void note(std::int32_t pid);
    // Whether `pid` has a record, whatever its age.
    bool contains(std::int32_t pid) const;

private:
    Clock m_clock;
    mutable std::mutex m_lock;
    std::unordered_map<std::int32_t, std::chrono::system_clock::time_point> m_killed;
};

} // namespace moorix
