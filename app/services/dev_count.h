#pragma once

#include <QObject>

namespace moorix {

// The number of listening development ports shown in the menu bar. Lives on the main thread and is
// written there only, by the notifier's samples and by the panel's refreshes.
class DevCount : public QObject {
    Q_OBJECT
    Q_PROPERTY(int count READ count WRITE setCount NOTIFY countChanged)

public:
    int count() const { return m_count; }
    void setCount(int count);

signals:
    void countChanged(int count);

private:
    int m_count = 0;
};

} // namespace moorix
