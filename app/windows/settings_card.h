#pragma once

#include <QWidget>

class QVBoxLayout;

namespace moorix {

class Divider;

// Rows stacked without spacing on a rounded, outlined panel.
class SettingsCard : public QWidget {
    Q_OBJECT

public:
    explicit SettingsCard(QWidget* parent = nullptr);

    void addRow(QWidget* row);
    // A divider before the next row; returned so that it can be hidden together with that row.
    Divider* addDivider();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVBoxLayout* m_rows;
};

} // namespace moorix
