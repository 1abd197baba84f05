#include "app/shell/menu_bar_label.h"

#include "app/services/dev_count.h"
#include "app/services/l10n.h"
#include "app/shell/menu_bar_image.h"

#include <QIcon>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace moorix {

namespace {

MenuBarStyle platformStyle() {
#if defined(Q_OS_MACOS)
    return {CountPlacement::Beside, QColor(Qt::black), QColor(), 18, 2.0};
#else
    // Tray backgrounds may be light or dark and the tray does not tint: a light icon with a dark halo
    // reads on both.
    return {CountPlacement::Badge, QColor(0xF2, 0xF2, 0xF2), QColor(0x30, 0x30, 0x30), 22, 2.0};
#endif
}

} // namespace

MenuBarLabel::MenuBarLabel(QSystemTrayIcon& tray, QObject* parent) : QObject(parent), m_tray(tray) {
    connect(&DevCount::shared(), &DevCount::countChanged, this, &MenuBarLabel::show);
    show(DevCount::shared().count());
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
    QIcon icon(QPixmap::fromImage(renderMenuBarImage(customIcon(), count, platformStyle())));
#if defined(Q_OS_MACOS)
    icon.setIsMask(true); // a template image: the menu bar draws it in its own colour
#endif
    m_tray.setIcon(icon);
    m_tray.setToolTip(toolTip(count));
}

} // namespace moorix
