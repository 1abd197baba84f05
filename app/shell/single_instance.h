#pragma once

#include <string>

namespace moorix {

// Holds an exclusive lock on a file for the life of the object. The kernel drops the lock when the
// process ends, however it ends, so a crashed copy never blocks the next start.
class SingleInstance {
public:
    explicit SingleInstance(const std::string& lockPath);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True only when another process holds the lock. A lock file that cannot be made at all (an
    // unwritable data folder) does not stop the application: it could not record history twice anyway.
    bool heldElsewhere() const { return m_heldElsewhere; }

private:
    int m_fd = -1;
    bool m_heldElsewhere = false;
};

} // namespace moorix
