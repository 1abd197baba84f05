#include "app/panel/panel_header.h"

#include "app/panel/panel_model.h"
#include "app/services/l10n.h"
#include "app/widgets/icon_button.h"
#include "app/widgets/theme.h"
#include "app/widgets/themed_label.h"

#include <QHBoxLayout>
#include <QLabel>

namespace moorix {

PanelHeader::PanelHeader(PanelModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_counts(themedLabel(Theme::monoFont(10), Theme::tertiaryText())),
      m_search(new IconButton(QStringLiteral("magnifyingglass"), 12)),
      m_refresh(new IconButton(QStringLiteral("arrow.clockwise"), 12)),
      m_history(new IconButton(QStringLiteral("clock.arrow.circlepath"), 12)),
      m_settings(new IconButton(QStringLiteral("gearshape"), 12)),
      m_quit(new IconButton(QStringLiteral("power"), 12)) {
    QLabel* name = themedLabel(Theme::uiFont(14, QFont::DemiBold), Theme::primaryText());
    name->setText(QStringLiteral("Moorix"));
    m_counts->setObjectName(QStringLiteral("counts"));
    m_search->setObjectName(QStringLiteral("searchButton"));
    m_refresh->setObjectName(QStringLiteral("refreshButton"));
    m_history->setObjectName(QStringLiteral("historyButton"));
    m_settings->setObjectName(QStringLiteral("settingsButton"));
    m_quit->setObjectName(QStringLiteral("quitButton"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 8, 8, 8);
    layout->setSpacing(2);
    layout->addWidget(name);
    layout->addSpacing(8);
    layout->addWidget(m_counts, 0, Qt::AlignVCenter);
    layout->addStretch();
    for (IconButton* button : {m_search, m_refresh, m_history, m_settings, m_quit}) layout->addWidget(button);

    connect(m_search, &IconButton::clicked, this, &PanelHeader::searchToggled);
    connect(m_refresh, &IconButton::clicked, &m_model, &PanelModel::refresh);
    connect(m_history, &IconButton::clicked, &m_model.history(), &HistorySheetModel::toggle);
    connect(m_settings, &IconButton::clicked, this, &PanelHeader::settingsRequested);
    connect(m_quit, &IconButton::clicked, this, &PanelHeader::quitRequested);
    sync();
}

void PanelHeader::sync() {
    m_counts->setText(m_model.countsText());
    m_search->setHelp(L10n::text("search_placeholder"));
    m_refresh->setHelp(L10n::text("refresh"));
    m_history->setHelp(L10n::text("history"));
    m_settings->setHelp(L10n::text("settings"));
    m_quit->setHelp(L10n::text("quit"));
    m_search->setColor(m_model.showSearch() ? Theme::accent() : Theme::primaryText());
    m_history->setColor(m_model.history().shown() ? Theme::accent() : Theme::primaryText());
}

} // namespace moorix
