#include "app/shell/menu_bar_look.h"

#include <QPixmap>

namespace moorix::MenuBarLook {

MenuBarStyle style() {
    // Tray backgrounds may be light or dark and the tray does not tint: a light icon with a dark halo
    // reads on both.
    return {CountPlacement::Badge, QColor(0xF2, 0xF2, 0xF2), QColor(0x30, 0x30, 0x30), 22, 2.0};
}

QIcon icon(const QImage& image) { return QIcon(QPixmap::fromImage(image)); }

} // namespace moorix::MenuBarLook
