#include "app/shell/owner_icon.h"

#include <QApplication>
#include <QStyle>

namespace moorix {

// Desktop themes name application icons after their executables, in lower case.
QIcon platformOwnerIcon(const PortEntry& entry) {
    const QString name = QString::fromStdString(entry.owner()).toLower();
    if (!name.isEmpty() && QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
    if (QIcon::hasThemeIcon(QStringLiteral("application-x-executable")))
        return QIcon::fromTheme(QStringLiteral("application-x-executable"));
    return QApplication::style()->standardIcon(QStyle::SP_FileIcon);
}

} // namespace moorix
