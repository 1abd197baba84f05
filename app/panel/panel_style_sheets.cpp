#include "app/panel/panel_style_sheets.h"

#include "app/widgets/theme.h"

#include <QMenu>

namespace moorix {

namespace {

QString css(const QColor& color) { return color.name(QColor::HexArgb); }

} // namespace

void styleRowMenu(QMenu& menu) {
    menu.setPalette(Theme::palette());
    menu.setFont(Theme::uiFont(13));
    menu.setStyleSheet(
        QStringLiteral("QMenu { background: %1; border: 1px solid %2; padding: 5px 0; }"
                       "QMenu::item { color: %3; padding: 4px 22px 4px 14px; margin: 0 5px; }"
                       "QMenu::item:selected { background: %4; color: %5; border-radius: 4px; }"
                       "QMenu::separator { height: 1px; background: %6; margin: 4px 10px; }")
            .arg(css(Theme::card().lighter(125)), css(QColor(255, 255, 255, 40)), css(Theme::primaryText()),
                 css(Theme::accent()), css(Theme::onAccent()), css(Theme::divider())));
}

QString labelEditorStyle() {
    QColor ring = Theme::accent();
    ring.setAlphaF(0.7f);
    return QStringLiteral("QLineEdit { background: %1; color: %2; border: 1px solid %3; border-radius: 5px;"
                          " padding: 0 5px; selection-background-color: %4; selection-color: %5; }")
        .arg(css(QColor(255, 255, 255, 16)), css(Theme::primaryText()), css(ring), css(Theme::accent()),
             css(Theme::onAccent()));
}

QString searchEditStyle() {
    return QStringLiteral("QLineEdit { background: transparent; color: %1; border: none; padding: 0;"
                          " selection-background-color: %2; selection-color: %3; }")
        .arg(css(Theme::primaryText()), css(Theme::accent()), css(Theme::onAccent()));
}

} // namespace moorix
