#pragma once

#include <QColor>

namespace moorix {

// The colour `amount` of the way from `from` to `to` (0 gives `from`, 1 gives `to`), alpha included.
inline QColor mixColours(const QColor& from, const QColor& to, qreal amount) {
    const auto channel = [amount](float a, float b) { return a + (b - a) * static_cast<float>(amount); };
    return QColor::fromRgbF(channel(from.redF(), to.redF()), channel(from.greenF(), to.greenF()),
                            channel(from.blueF(), to.blueF()), channel(from.alphaF(), to.alphaF()));
}

} // namespace moorix
