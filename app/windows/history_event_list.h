#pragma once

#include "core/history/port_event.h"

#include <QAbstractListModel>
#include <QStyledItemDelegate>

#include <vector>

namespace moorix {

// The history sheet's events as list items. An item's text ("3000 opened node 06/12/2026 14:03") is what
// a screen reader says; the delegate draws the same pieces as aligned columns.
class HistoryEventList : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;
    void setEvents(std::vector<PortEvent> events);
    const PortEvent& event(int row) const { return m_events[static_cast<std::size_t>(row)]; }
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    static QString actionText(const PortEvent& event);
    // The event's time in the user's short date and time formats.
    static QString timeText(const PortEvent& event);

private:
    std::vector<PortEvent> m_events;
};

class HistoryEventDelegate : public QStyledItemDelegate {
public:
    static constexpr int rowHeight = 21;

    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace moorix
