#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>

namespace moorix {

// One of the project's own symbol drawings (resources/icons, named after the symbols they stand for,
// such as "magnifyingglass"), `size` logical pixels square, in one colour. Kept once drawn; main thread.
QPixmap symbol(const QString& name, int size, const QColor& color, qreal devicePixelRatio);

} // namespace moorix
