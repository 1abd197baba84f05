#include "app/widgets/pill_button.h"

#include "app/widgets/focus_ring.h"

#include <QFontMetrics>
#include <QPainter>

namespace moorix {

PillButton::PillButton(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
}

void PillButton::setLook(const Look& look) {
    if (look == m_look) return;
    m_look = look;
    updateGeometry();
    update();
}

void PillButton::setLabel(const QString& label) {
    if (label == text()) return;
    setText(label);
    setAccessibleName(label);
    updateGeometry();
}

QSize PillButton::sizeHint() const {
    const QFontMetrics metrics(m_look.font);
    return QSize(metrics.horizontalAdvance(text()), metrics.height()).grownBy(m_look.padding);
}

void PillButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = m_look.fill;
    // Hover and press lighten the capsule, or draw a faint one where there is none.
    if (isDown() || underMouse()) {
        if (fill.alpha() == 0)
            fill = QColor(255, 255, 255, isDown() ? 30 : 18);
        else
            fill = isDown() ? fill.darker(115) : fill.lighter(118);
    }
    if (fill.alpha() > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        const QRectF shape = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.drawRoundedRect(shape, shape.height() / 2, shape.height() / 2);
    }
    painter.setFont(m_look.font);
    QColor ink = m_look.text;
    if (!isEnabled()) ink.setAlphaF(ink.alphaF() * 0.4f);
    painter.setPen(ink);
    painter.drawText(rect().marginsRemoved(m_look.padding), Qt::AlignCenter, text());
    // Only a pill that takes keyboard focus shows it, on its own edge (the panel's pills take none).
    if (hasFocus()) {
        const QRectF edge = QRectF(rect()).adjusted(2, 2, -2, -2);
        paintFocusRing(painter, edge, edge.height() / 2);
    }
}

} // namespace moorix
