#pragma once

#include <QScrollArea>

class QVBoxLayout;

namespace moorix {

class SectionLabel;
class SettingsCard;

// A tab's content: sections (a label over a card) in a column that scrolls when it outgrows the window.
class SettingsPage : public QScrollArea {
    Q_OBJECT

public:
    explicit SettingsPage(QWidget* parent = nullptr);

    // A new section at the end, hidden or shown as a whole through the returned widget.
    QWidget* addSection(SectionLabel* label, SettingsCard* card);

    // The height the sections take without scrolling.
    int contentHeight() const;

private:
    QVBoxLayout* m_column;
};

} // namespace moorix
