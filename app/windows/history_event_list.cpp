#include "app/windows/history_event_list.h"

#include "app/services/l10n.h"
#include "app/widgets/theme.h"

#include <QDateTime>
#include <QLocale>
#include <QPainter>

namespace moorix {

QString HistoryEventList::actionText(const PortEvent& event) {
    return L10n::text(event.action == EventAction::Opened ? "history_opened" : "history_closed");
}

void HistoryEventList::setEvents(std::vector<PortEvent> events) {
    beginResetModel();
    m_events = std::move(events);
    endResetModel();
}

int HistoryEventList::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_events.size());
}

QString HistoryEventList::timeText(const PortEvent& event) {
    const auto seconds = event.at.time_since_epoch().count();
    return QLocale::system().toString(QDateTime::fromSecsSinceEpoch(seconds), QLocale::ShortFormat);
}

QVariant HistoryEventList::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const PortEvent& event = m_events[static_cast<std::size_t>(index.row())];
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
    return QStringLiteral("%1 %2 %3 %4")
        .arg(event.port)
        .arg(actionText(event), QString::fromStdString(event.root()), timeText(event));
}

QSize HistoryEventDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return {option.rect.width(), rowHeight};
}

void HistoryEventDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    const PortEvent& event = static_cast<const HistoryEventList*>(index.model())->event(index.row());
    painter->save();
    painter->setRenderHint(QPainter::TextAntialiasing);
    const QRect line(option.rect.left(), option.rect.top(), option.rect.width(), rowHeight - 6);
    const QFont mono = Theme::monoFont(11);
    constexpr int gap = 8;

    int x = line.left();
    const auto column = [&](const QFont& font, const QColor& color, int width, const QString& text,
                            int align) {
        painter->setFont(font);
        painter->setPen(color);
        const QRect box(x, line.top(), width, line.height());
        painter->drawText(box, align | Qt::AlignVCenter,
                          QFontMetrics(font).elidedText(text, Qt::ElideRight, width));
        x += width + gap;
    };
    column(Theme::monoFont(11, QFont::DemiBold), Theme::primaryText(), 46, QString::number(event.port),
           Qt::AlignLeft);
    const QFontMetrics metrics(mono);
    const int actionWidth = std::max(metrics.horizontalAdvance(L10n::text("history_opened")),
                                     metrics.horizontalAdvance(L10n::text("history_closed")));
    column(mono, event.action == EventAction::Opened ? Theme::healthy() : Theme::secondaryText(), actionWidth,
           HistoryEventList::actionText(event), Qt::AlignLeft);
    const QFont small = Theme::monoFont(10);
    const QString time = HistoryEventList::timeText(event);
    const int timeWidth = QFontMetrics(small).horizontalAdvance(time);
    column(mono, Theme::secondaryText(), std::max(0, line.right() - x - timeWidth - gap),
           QString::fromStdString(event.root()), Qt::AlignLeft);
    column(small, Theme::tertiaryText(), timeWidth, time, Qt::AlignRight);
    painter->restore();
}

} // namespace moorix
