#include "app/panel/alert_strip.h"

#include "app/panel/panel_model.h"
#include "app/services/l10n.h"
#include "app/widgets/pill_button.h"
#include "app/widgets/symbol.h"
#include "app/widgets/theme.h"
#include "app/widgets/themed_label.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace moorix {

namespace {

QColor accentAt(float opacity) {
    QColor color = Theme::accent();
    color.setAlphaF(opacity);
    return color;
}

} // namespace

AlertStrip::AlertStrip(PanelModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_warning(new QLabel), m_exposed(new PillButton),
      m_dot(themedLabel(Theme::monoFont(11), Theme::secondaryText())),
      m_insight(themedLabel(Theme::monoFont(11), Theme::accent())), m_reclaim(new PillButton) {
    setObjectName(QStringLiteral("alertStrip"));
    m_exposed->setObjectName(QStringLiteral("exposedFilter"));
    m_insight->setObjectName(QStringLiteral("insight"));
    m_reclaim->setObjectName(QStringLiteral("reclaimAll"));
    m_dot->setText(QStringLiteral("\u00B7"));
    m_warning->setPixmap(
        symbol(QStringLiteral("exclamationmark.triangle.fill"), 11, Theme::accent(), devicePixelRatioF()));
    m_exposed->setCheckable(true);
    m_reclaim->setLook(
        {Theme::uiFont(11, QFont::DemiBold), Theme::accent(), accentAt(0.14f), QMargins(9, 3, 9, 3)});

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 7, 12, 7);
    layout->setSpacing(6);
    layout->addWidget(m_warning);
    layout->addWidget(m_exposed);
    layout->addWidget(m_dot);
    layout->addWidget(m_insight);
    layout->addStretch();
    layout->addSpacing(8);
    layout->addWidget(m_reclaim);

    connect(m_exposed, &PillButton::clicked, &m_model, &PanelModel::toggleExposedOnly);
    connect(m_reclaim, &PillButton::clicked, &m_model, &PanelModel::reclaimAll);
    sync();
}

void AlertStrip::sync() {
    const int exposed = m_model.exposedCount();
    const QString insight = m_model.insightText();
    setVisible(exposed > 0 || !insight.isEmpty());
    const bool filtering = m_model.exposedOnly();
    m_exposed->setLook({Theme::monoFont(11, filtering ? QFont::DemiBold : QFont::Normal), Theme::accent(),
                        filtering ? accentAt(0.15f) : QColor(Qt::transparent),
                        filtering ? QMargins(6, 1, 6, 1) : QMargins(0, 1, 0, 1)});
    m_exposed->setLabel(L10n::format("hero_exposed", {static_cast<std::int64_t>(exposed)}));
    m_exposed->setToolTip(L10n::text("filter_exposed"));
    m_exposed->setAccessibleDescription(L10n::text("filter_exposed"));
    m_exposed->setChecked(filtering);
    m_exposed->setVisible(exposed > 0);
    m_dot->setVisible(exposed > 0 && !insight.isEmpty());
    m_insight->setText(insight);
    m_insight->setVisible(!insight.isEmpty());
    m_reclaim->setLabel(L10n::text("reclaim_all"));
    m_reclaim->setVisible(!insight.isEmpty());
    m_reclaim->setEnabled(!m_model.reclaiming());
}

void AlertStrip::paintEvent(QPaintEvent*) { QPainter(this).fillRect(rect(), accentAt(0.06f)); }

} // namespace moorix
