#include "app/widgets/icon_button.h"

#include "app/widgets/focus_ring.h"
#include "app/widgets/symbol.h"
#include "app/widgets/theme.h"

#include <QFocusEvent>
#include <QPainter>

namespace moorix {

IconButton::IconButton(const QString& symbolName, int symbolSize, QWidget* parent)
    : QAbstractButton(parent), m_symbol(symbolName), m_symbolSize(symbolSize), m_color(Theme::primaryText()) {
    setCursor(Qt::PointingHandCursor);
    // Reached with Tab (a click leaves the focus where it was), so the panel keeps its arrow keys.
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
}

void IconButton::setHelp(const QString& help) {
    setToolTip(help);
    setAccessibleName(help);
}

void IconButton::setColor(const QColor& color) {
    if (color == m_color) return;
    m_color = color;
    update();
}

void IconButton::focusInEvent(QFocusEvent* event) {
    m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QAbstractButton::focusInEvent(event);
}

QSize IconButton::sizeHint() const { return {m_symbolSize + 12, m_symbolSize + 12}; }

void IconButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isDown() || underMouse()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, isDown() ? 34 : 20));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    }
    if (hasFocus() && m_keyboardFocus)
        paintFocusRing(painter, QRectF(rect()).adjusted(2.5, 2.5, -2.5, -2.5), 5);
    const QPixmap pixmap = symbol(m_symbol, m_symbolSize, m_color, devicePixelRatioF());
    const QSize size = pixmap.deviceIndependentSize().toSize();
    painter.drawPixmap(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), pixmap);
}

} // namespace moorix
