#include "app/windows/settings_row.h"

#include "app/widgets/focus_ring.h"
#include "app/widgets/theme.h"
#include "app/widgets/themed_label.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace moorix {

namespace {

constexpr int horizontalPadding = 16;
constexpr int verticalPadding = 12;
// The height of the controls, so that a row without one is as tall as its neighbours.
constexpr int controlHeight = 24;

} // namespace

SettingsRow::SettingsRow(QWidget* control, QWidget* named, QWidget* parent)
    : QWidget(parent), m_title(themedLabel(Theme::uiFont(13), Theme::primaryText(), this)),
      m_help(themedLabel(Theme::uiFont(11), Theme::secondaryText(), this)), m_named(named) {
    m_help->setWordWrap(true);
    m_help->hide();
    if (m_named) m_title->setBuddy(m_named);

    // Controls keep room for their focus ring around them; the padding around the row takes it back, so
    // the control's visible edge lines up with the text of the rows above and below.
    const int ring = control ? focusRingMargin : 0;
    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    texts->setContentsMargins(0, ring, 0, ring);
    texts->addWidget(m_title);
    texts->addWidget(m_help);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(horizontalPadding, verticalPadding - ring, horizontalPadding - ring,
                               verticalPadding - ring);
    layout->setSpacing(16);
    layout->addLayout(texts, 1);
    if (control) layout->addWidget(control, 0, Qt::AlignVCenter);
    setMinimumHeight(controlHeight + 2 * verticalPadding);
}

QString SettingsRow::title() const { return m_title->text(); }

void SettingsRow::setTitle(const QString& title) {
    m_title->setText(title);
    if (m_named) m_named->setAccessibleName(title);
}

void SettingsRow::setHelp(const QString& help) {
    m_help->setText(help);
    m_help->setVisible(!help.isEmpty());
}

} // namespace moorix
