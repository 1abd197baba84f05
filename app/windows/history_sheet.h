#pragma once

#include "core/history/port_event.h"

#include <QWidget>

#include <vector>

class QLabel;
class QListView;

namespace moorix {

class IconButton;
class HistoryEventList;

// The port history shown in the panel in place of its list: newest first, with a close button.
class HistorySheet : public QWidget {
    Q_OBJECT

public:
    explicit HistorySheet(QWidget* parent = nullptr);

    // Newest first.
    void setEvents(std::vector<PortEvent> events);
    // The list grows with its events up to this height, then scrolls.
    void setMaximumListHeight(int height);
    void retranslate();

signals:
    void closeRequested();

private:
    void resizeList();

    QLabel* m_title;
    IconButton* m_close;
    QLabel* m_empty;
    QListView* m_list;
    HistoryEventList* m_events;
    int m_maximumListHeight = 480;
};

} // namespace moorix
