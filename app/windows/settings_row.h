#pragma once

#include <QWidget>

class QLabel;

namespace moorix {

// One setting: its title (and an optional help text) at the leading edge, its control at the trailing one.
class SettingsRow : public QWidget {
    Q_OBJECT

public:
    // `control` may be null (a row that only informs). `named` is the widget that carries the row's title
    // as its accessible name: the control itself or a part of it, or null when the control is named by
    // its own text (a button).
    explicit SettingsRow(QWidget* control = nullptr, QWidget* named = nullptr, QWidget* parent = nullptr);

    QString title() const;
    void setTitle(const QString& title);
    // Shown under the title, in smaller secondary text; hidden while empty.
    void setHelp(const QString& help);

private:
    QLabel* m_title;
    QLabel* m_help;
    QWidget* m_named;
};

} // namespace moorix
