#include "app/widgets/divider.h"

#include "app/widgets/theme.h"

#include <QPainter>

namespace moorix {

Divider::Divider(int indent, QWidget* parent) : QWidget(parent), m_indent(indent) {
    setFixedHeight(1);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Divider::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(QRect(m_indent, 0, width() - m_indent, 1), Theme::divider());
}

} // namespace moorix
