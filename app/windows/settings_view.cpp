#include "app/windows/settings_view.h"

#include "app/services/l10n.h"
#include "app/services/preferences.h"
#include "app/widgets/tab_bar.h"
#include "app/widgets/theme.h"
#include "app/windows/general_settings.h"
#include "app/windows/updates_settings.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QHBoxLayout>
#include <QPainter>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace moorix {

namespace {

// A window to assistive technology (a frame, not a filler) when it stands on its own.
QAccessibleInterface* accessibleView(const QString&, QObject* object) {
    auto* view = qobject_cast<SettingsView*>(object);
    if (!view) return nullptr;
    return new QAccessibleWidget(view, view->isWindow() ? QAccessible::Window : QAccessible::Client);
}

} // namespace

SettingsView::SettingsView(Preferences& preferences, QString version, std::optional<UpdateController> updates,
                           QWidget* parent)
    : QWidget(parent), m_tabBar(new TabBar(2, this)), m_pages(new QStackedWidget(this)),
      m_general(new GeneralSettings(preferences)),
      m_updates(new UpdatesSettings(std::move(version), std::move(updates))) {
    static const bool registered = (QAccessible::installFactory(accessibleView), true);
    Q_UNUSED(registered);
    // Always the dark scheme, whatever the system's: the few things Qt draws itself follow it too.
    setPalette(Theme::palette());
    m_tabBar->setObjectName(QStringLiteral("tabBar"));
    m_tabBar->tab(0)->setObjectName(QStringLiteral("generalTab"));
    m_tabBar->tab(1)->setObjectName(QStringLiteral("updatesTab"));
    m_general->setObjectName(QStringLiteral("generalPage"));
    m_updates->setObjectName(QStringLiteral("updatesPage"));
    m_pages->addWidget(m_general);
    m_pages->addWidget(m_updates);

    auto* bar = new QHBoxLayout;
    bar->addStretch(1);
    bar->addWidget(m_tabBar);
    bar->addStretch(1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 12, 0, 0);
    column->setSpacing(32);
    column->addLayout(bar);
    column->addWidget(m_pages, 1);

    // The window itself holds the focus until the user tabs to a control, so that no focus ring shows on
    // a control nobody chose.
    setFocusPolicy(Qt::ClickFocus);
    setFocus();

    retext();
    connect(m_tabBar, &TabBar::currentChanged, m_pages, &QStackedWidget::setCurrentIndex);
    connect(&preferences, &Preferences::appLanguageChanged, this, &SettingsView::retext);
}

int SettingsView::fittingHeight() const {
    const QLayout& column = *layout();
    const int tallest = std::max(m_general->contentHeight(), m_updates->contentHeight());
    return column.contentsMargins().top() + m_tabBar->sizeHint().height() + column.spacing() + tallest +
           column.contentsMargins().bottom();
}

void SettingsView::retext() {
    setWindowTitle(L10n::text("settings_title"));
    m_tabBar->setTitles({L10n::text("tab_general"), L10n::text("tab_updates")});
    m_general->retext();
    m_updates->retext();
}

void SettingsView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::windowWash(height()));
}

} // namespace moorix
