#include "app/widgets/accessible_scroll_area.h"

#include <QAccessibleWidget>
#include <QScrollArea>

namespace moorix {

namespace {

QAccessibleInterface* accessibleScrollArea(const QString& className, QObject* object) {
    if (className != QLatin1String(QScrollArea::staticMetaObject.className()) || !object ||
        !object->isWidgetType())
        return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Client);
}

} // namespace

void installScrollAreaAccessibility() { QAccessible::installFactory(accessibleScrollArea); }

} // namespace moorix
