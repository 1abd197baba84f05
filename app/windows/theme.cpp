#include "app/windows/theme.h"

namespace moorix::Theme {

QColor panel() { return QColor::fromRgbF(0.105f, 0.098f, 0.066f); }
QColor card() { return QColor::fromRgbF(0.152f, 0.142f, 0.098f); }
QColor border() { return QColor::fromRgbF(1, 1, 1, 0.09f); }
QColor accent() { return QColor::fromRgbF(0.941f, 0.643f, 0.306f); }
QColor onAccent() { return QColor::fromRgbF(0.086f, 0.078f, 0.051f); }
QColor selection() { return QColor::fromRgbF(0.949f, 0.933f, 0.886f); }

QLinearGradient windowWash(qreal height) {
    QLinearGradient wash(0, 0, 0, height);
    wash.setColorAt(0, QColor::fromRgbF(0.128f, 0.118f, 0.08f));
    wash.setColorAt(1, panel());
    return wash;
}

QColor primaryText() { return QColor::fromRgbF(1, 1, 1, 0.92f); }
QColor secondaryText() { return QColor::fromRgbF(0.92f, 0.92f, 0.96f, 0.6f); }
QColor tertiaryText() { return QColor::fromRgbF(0.92f, 0.92f, 0.96f, 0.32f); }
QColor divider() { return QColor::fromRgbF(1, 1, 1, 0.1f); }
QColor danger() { return QColor::fromRgbF(1.0f, 0.27f, 0.23f); }
QColor healthy() { return QColor::fromRgbF(0.2f, 0.84f, 0.29f); }
QColor exposed() { return QColor::fromRgbF(1.0f, 0.62f, 0.04f); }

} // namespace moorix::Theme
