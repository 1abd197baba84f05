#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>

namespace moorix {

// A label in one of the theme's fonts and text colours.
QLabel* themedLabel(const QFont& font, const QColor& color, QWidget* parent = nullptr);
void setTextColor(QWidget* widget, const QColor& color);

} // namespace moorix
