#include "app/widgets/themed_label.h"

namespace moorix {

QLabel* themedLabel(const QFont& font, const QColor& color, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setFont(font);
    setTextColor(label, color);
    return label;
}

void setTextColor(QWidget* widget, const QColor& color) {
    QPalette colours = widget->palette();
    colours.setColor(QPalette::WindowText, color);
    colours.setColor(QPalette::Text, color);
    widget->setPalette(colours);
}

} // namespace moorix
