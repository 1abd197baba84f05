#include "app/panel/empty_state.h"

#include "app/widgets/symbol.h"
#include "app/widgets/theme.h"
#include "app/widgets/themed_label.h"

#include <QLabel>
#include <QVBoxLayout>

namespace moorix {

EmptyState::EmptyState(QWidget* parent)
    : QWidget(parent), m_text(themedLabel(Theme::uiFont(13), Theme::secondaryText())) {
    setObjectName(QStringLiteral("emptyState"));
    m_text->setObjectName(QStringLiteral("emptyText"));
    m_text->setAlignment(Qt::AlignCenter);
    auto* moon = new QLabel;
    moon->setPixmap(symbol(QStringLiteral("moon.zzz"), 24, Theme::tertiaryText(), devicePixelRatioF()));
    moon->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 28, 0, 28);
    layout->setSpacing(8);
    layout->addWidget(moon);
    layout->addWidget(m_text);
}

void EmptyState::setText(const QString& text) { m_text->setText(text); }

} // namespace moorix
