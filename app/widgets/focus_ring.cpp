#include "app/widgets/focus_ring.h"

#include "app/widgets/theme.h"

#include <QPainter>

namespace moorix {

void paintFocusRing(QPainter& painter, const QRectF& shape, qreal radius) {
    painter.save();
    QColor ring = Theme::accent();
    ring.setAlphaF(0.7f);
    painter.setPen(QPen(ring, 2));
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawRoundedRect(shape.adjusted(-1.5, -1.5, 1.5, 1.5), radius + 1.5, radius + 1.5);
    painter.restore();
}

} // namespace moorix
