#include "app/shell/menu_bar_look.h"

#include <QPixmap>

namespace moorix::MenuBarLook {

MenuBarStyle style() { return {CountPlacement::Beside, QColor(Qt::black), QColor(), 18, 2.0}; }

QIcon icon(const QImage& image) {
    QIcon made(QPixmap::fromImage(image));
    made.setIsMask(true); // a template image: the menu bar draws it in its own colour
    return made;
}

} // namespace moorix::MenuBarLook
