#pragma once

#include <QObject>

#include <cstdint>
#include <vector>

namespace moorix {

// The number of listening development ports shown in the menu bar. Written on the main thread only,
// by the notifier's samples and by the panel's refreshes.
class DevCount : public QObject {
    Q_OBJECT
    Q_PROPERTY(int count READ count WRITE setCount NOTIFY countChanged)

public:
    static DevCount& shared();

    int count() const { return m_count; }
    void setCount(int count);

    // Distinct port numbers in the development range.
    static int countDevPorts(const std::vector<std::int64_t>& ports);

signals:
    void countChanged(int count);

private:
    int m_count = 0;
};

} // namespace moorix
