#pragma once

#include <QWidget>

namespace moorix {

// A one-pixel rule across its width, `indent` pixels in from the left.
class Divider : public QWidget {
public:
    explicit Divider(int indent = 0, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_indent;
};

} // namespace moorix
