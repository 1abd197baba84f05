#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace moorix {

// The kill record shared between processes: `moorix --kill` run from a terminal stops a server that
// the menu-bar application then sees close, and the history must say that Moorix stopped it. One line
// "pid unix-seconds" per stop, appended in one write; lines older than a minute never count, and are
// dropped when the grown file is replaced by a rewritten copy.
class KillLog {
public:
    using TimePoint = std::chrono::system_clock::time_point;
    static constexpr std::chrono::seconds keepFor{60};

    explicit KillLog(std::string path);

    void note(std::int32_t pid, TimePoint now);
    // Whether `pid` was noted less than a minute before `now`, by any process.
    bool contains(std::int32_t pid, TimePoint now) const;

    // "killed.log" in the application-data folder.
    static std::string defaultPath();

private:
    std::string m_path;
};

} // namespace moorix
