#include "app/windows/settings_page.h"

#include "app/widgets/scroll_style.h"
#include "app/widgets/section_label.h"
#include "app/windows/settings_card.h"

#include <QScrollBar>
#include <QVBoxLayout>

namespace moorix {

SettingsPage::SettingsPage(QWidget* parent) : QScrollArea(parent) {
    auto* content = new QWidget;
    m_column = new QVBoxLayout(content);
    m_column->setContentsMargins(24, 0, 24, 28);
    m_column->setSpacing(24);
    m_column->addStretch(1);
    setWidget(content);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The window's wash shows through.
    content->setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    verticalScrollBar()->setStyleSheet(scrollBarStyle());
}

QWidget* SettingsPage::addSection(SectionLabel* label, SettingsCard* card) {
    auto* section = new QWidget(widget());
    auto* stack = new QVBoxLayout(section);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addWidget(label);
    stack->addWidget(card);
    // Before the closing stretch, so sections stay at the top.
    m_column->insertWidget(m_column->count() - 1, section);
    return section;
}

int SettingsPage::contentHeight() const { return widget()->sizeHint().height(); }

} // namespace moorix
