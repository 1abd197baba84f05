#pragma once

#include <QColor>
#include <QFont>
#include <QLinearGradient>
#include <QPalette>

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

// The dark palette that widgets drawn by Qt itself (text fields, menus, tooltips) take inside the theme.
QPalette palette();

// Fonts by size in logical pixels (the sizes the design is drawn in), the same on every desktop where
// the preferred families are installed, else the system's own.
QFont uiFont(int pixelSize, QFont::Weight weight = QFont::Normal);
QFont monoFont(int pixelSize, QFont::Weight weight = QFont::Normal);

} // namespace moorix::Theme
