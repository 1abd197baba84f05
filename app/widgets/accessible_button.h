#pragma once

#include <QAccessibleWidget>

class QAbstractButton;

namespace moorix {

// The accessible face of a custom-drawn button: its role, its name (the accessible name, else the text),
// its checked or selected state, and both actions a screen reader may use on it, Press and, when the
// button is checkable, Toggle.
class AccessibleButton : public QAccessibleWidget {
public:
    AccessibleButton(QAbstractButton* button, QAccessible::Role role);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    QAbstractButton* button() const;
};

} // namespace moorix
