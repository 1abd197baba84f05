#include "app/widgets/scroll_style.h"

namespace moorix {

QString scrollBarStyle() {
    return QStringLiteral(
        "QScrollBar:vertical { background: transparent; width: 8px; margin: 2px 1px 2px 1px; }"
        "QScrollBar::handle:vertical { background: rgba(255,255,255,0.18); border-radius: 3px; min-height: "
        "24px; }"
        "QScrollBar::handle:vertical:hover { background: rgba(255,255,255,0.30); }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: transparent; }");
}

} // namespace moorix
