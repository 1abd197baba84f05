#include "app/shell/tray_menu.h"

#include "app/services/l10n.h"
#include "app/services/preferences.h"

namespace moorix {

TrayMenu::TrayMenu(Preferences& preferences, QWidget* parent)
    : QMenu(parent), m_settings(addAction(QString())), m_quit(addAction(QString())) {
    m_settings->setMenuRole(QAction::PreferencesRole);
    m_quit->setMenuRole(QAction::QuitRole);
    connect(m_settings, &QAction::triggered, this, &TrayMenu::settingsRequested);
    connect(m_quit, &QAction::triggered, this, &TrayMenu::quitRequested);
    connect(&preferences, &Preferences::appLanguageChanged, this, &TrayMenu::retext);
    retext();
}

void TrayMenu::retext() {
    m_settings->setText(L10n::text("settings_menu"));
    m_quit->setText(L10n::text("quit"));
}

} // namespace moorix
