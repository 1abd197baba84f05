#include "app/windows/settings_card.h"

#include "app/widgets/divider.h"
#include "app/widgets/theme.h"

#include <QPainter>
#include <QVBoxLayout>

namespace moorix {

namespace {

constexpr qreal cornerRadius = 14;
// Dividers start where the rows' text does.
constexpr int dividerIndent = 16;

} // namespace

SettingsCard::SettingsCard(QWidget* parent) : QWidget(parent), m_rows(new QVBoxLayout(this)) {
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(0);
}

void SettingsCard::addRow(QWidget* row) { m_rows->addWidget(row); }

Divider* SettingsCard::addDivider() {
    auto* divider = new Divider(dividerIndent, this);
    m_rows->addWidget(divider);
    return divider;
}

void SettingsCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Theme::border(), 1));
    painter.setBrush(Theme::card());
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
}

} // namespace moorix
