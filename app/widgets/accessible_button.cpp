#include "app/widgets/accessible_button.h"

#include <QAbstractButton>

namespace moorix {

AccessibleButton::AccessibleButton(QAbstractButton* button, QAccessible::Role role)
    : QAccessibleWidget(button, role) {}

QAbstractButton* AccessibleButton::button() const { return static_cast<QAbstractButton*>(widget()); }

QString AccessibleButton::text(QAccessible::Text t) const {
    if (t == QAccessible::Name && button()->accessibleName().isEmpty()) return button()->text();
    return QAccessibleWidget::text(t);
}

QAccessible::State AccessibleButton::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    if (role() == QAccessible::PageTab) {
        state.selectable = true;
        state.selected = button()->isChecked();
    } else if (button()->isCheckable()) {
        state.checkable = true;
        state.checked = button()->isChecked();
    }
    state.pressed = button()->isDown();
    return state;
}

QStringList AccessibleButton::actionNames() const {
    QStringList names;
    if (button()->isEnabled()) {
        names << pressAction();
        if (button()->isCheckable() && role() != QAccessible::PageTab) names << toggleAction();
    }
    return names + QAccessibleWidget::actionNames();
}

void AccessibleButton::doAction(const QString& actionName) {
    if (!button()->isEnabled()) return;
    if (actionName == pressAction()) {
        button()->click();
    } else if (actionName == toggleAction()) {
        button()->toggle();
    } else {
        QAccessibleWidget::doAction(actionName);
    }
}

QStringList AccessibleButton::keyBindingsForAction(const QString&) const { return {}; }

} // namespace moorix
