#include "app/shell/menu_bar_label.h"

#include "app/services/dev_count.h"
#include "app/services/l10n.h"
#include "app/shell/menu_bar_image.h"
#include "app/shell/menu_bar_look.h"

#include <QSystemTrayIcon>

namespace moorix {

MenuBarLabel::MenuBarLabel(QSystemTrayIcon& tray, DevCount& count, QObject* parent)
    : QObject(parent), m_tray(tray) {
    connect(&count, &DevCount::countChanged, this, &MenuBarLabel::show);
    show(count.count());
}

const QImage& MenuBarLabel::customIcon() {
    static const QImage icon = [] {
        const ResourceBundle* bundle = L10n::resources();
        if (!bundle) return QImage();
        return QImage(QString::fromStdString((bundle->folder() / "MenuBarIcon@2x.png").string()));
    }();
    return icon;
}

QString MenuBarLabel::toolTip(int count) {
    if (count < 1) return QStringLiteral("Moorix");
    return QStringLiteral("Moorix \u2014 %1: %2").arg(L10n::text("section_dev")).arg(count);
}

void MenuBarLabel::show(int count) {
    m_tray.setIcon(MenuBarLook::icon(renderMenuBarImage(customIcon(), count, MenuBarLook::style())));
    m_tray.setToolTip(toolTip(count));
}

} // namespace moorix
