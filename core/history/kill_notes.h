#pragma once

#include "core/history/kill_log.h"
#include "core/history/kill_record.h"

#include <cstdint>
#include <string>

namespace moorix {

// Where a stop by this program is noted, so that the port closing right after it is not taken for a
// crash: this process's own record, and the log that the other Moorix processes read (the menu-bar
// application sees a stop made by `moorix --kill`). Made once by the program's start-up and handed to
// whatever stops or records. Thread-safe.
class KillNotes {
public:
    explicit KillNotes(std::string logPath);

    void note(std::int32_t pid);
    // Whether this process noted `pid`, or any process did less than a minute ago.
    bool contains(std::int32_t pid) const;

private:
    KillRecord m_record;
    KillLog m_log;
};

} // namespace moorix
