#pragma once

#include <QWidget>

class QLabel;

namespace moorix {

// What the panel shows instead of an empty list: still scanning, nothing matches, or nothing listens.
class EmptyState : public QWidget {
    Q_OBJECT

public:
    explicit EmptyState(QWidget* parent = nullptr);

    void setText(const QString& text);

private:
    QLabel* m_text;
};

} // namespace moorix
