#include "app/panel/search_field.h"

#include "app/panel/panel_model.h"
#include "app/panel/panel_style_sheets.h"
#include "app/services/l10n.h"
#include "app/widgets/icon_button.h"
#include "app/widgets/symbol.h"
#include "app/widgets/theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

namespace moorix {

namespace {

// Outer margins around the rounded field, then its inner padding.
constexpr QMargins outer(12, 8, 12, 8);
constexpr QMargins inner(8, 5, 8, 5);

} // namespace

SearchField::SearchField(PanelModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_edit(new QLineEdit),
      m_clear(new IconButton(QStringLiteral("xmark.circle.fill"), 11)) {
    setObjectName(QStringLiteral("searchField"));
    m_edit->setObjectName(QStringLiteral("searchText"));
    m_edit->setFont(Theme::uiFont(13));
    m_edit->setStyleSheet(searchEditStyle());
    m_edit->setPalette(Theme::palette());
    m_clear->setObjectName(QStringLiteral("clearSearch"));
    m_clear->setColor(Theme::secondaryText());
    m_clear->setFixedSize(18, 18);

    auto* glass = new QLabel;
    glass->setPixmap(
        symbol(QStringLiteral("magnifyingglass"), 11, Theme::secondaryText(), devicePixelRatioF()));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(outer + inner);
    layout->setSpacing(6);
    layout->addWidget(glass);
    layout->addWidget(m_edit, 1);
    layout->addWidget(m_clear);

    connect(m_edit, &QLineEdit::textEdited, &m_model, &PanelModel::setSearchText);
    connect(m_clear, &IconButton::clicked, this, [this] {
        m_model.setSearchText({});
        m_edit->setFocus();
    });
    sync();
}

void SearchField::sync() {
    const QString placeholder = L10n::text("search_placeholder");
    m_edit->setPlaceholderText(placeholder);
    m_edit->setAccessibleName(placeholder);
    m_clear->setHelp(L10n::text("clear_search"));
    if (m_edit->text() != m_model.searchText()) m_edit->setText(m_model.searchText());
    m_clear->setVisible(!m_model.searchText().isEmpty());
}

void SearchField::focusText() { m_edit->setFocus(); }

void SearchField::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF field = QRectF(rect().marginsRemoved(outer)).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(QColor(255, 255, 255, m_edit->hasFocus() ? 60 : 36), 1));
    painter.setBrush(QColor(255, 255, 255, 12));
    painter.drawRoundedRect(field, 7, 7);
}

} // namespace moorix
