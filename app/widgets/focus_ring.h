#pragma once

#include <QRectF>

class QPainter;

namespace moorix {

// Room a control leaves around its shape for the ring, on every side.
inline constexpr int focusRingMargin = 3;

// The keyboard-focus ring, drawn just outside a control's `shape` (a rounded rectangle of corner `radius`).
void paintFocusRing(QPainter& painter, const QRectF& shape, qreal radius);

} // namespace moorix
