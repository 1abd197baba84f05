#pragma once

#include <QLabel>

namespace moorix {

// The small upper-case heading above a card.
class SectionLabel : public QLabel {
    Q_OBJECT

public:
    explicit SectionLabel(QWidget* parent = nullptr);

    // Shown upper-cased by the rules of the interface language (Turkish "i" becomes "İ").
    void setTitle(const QString& title);
};

} // namespace moorix
