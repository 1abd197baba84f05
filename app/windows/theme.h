#pragma once

#include <QColor>
#include <QLinearGradient>

// The one dark colour set of the panel and the settings window, whatever the system appearance.
namespace moorix::Theme {

QColor panel();
QColor card();
QColor border();
QColor accent();
QColor onAccent();
QColor selection();
// Top to bottom over `height`: a slightly lighter warm brown, then the panel colour.
QLinearGradient windowWash(qreal height);

// The dark variants of the system colours drawn beside the theme's own.
QColor primaryText();
QColor secondaryText();
QColor tertiaryText();
QColor divider();
QColor danger();
QColor healthy();
QColor exposed();

} // namespace moorix::Theme
