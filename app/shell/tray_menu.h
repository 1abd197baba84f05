#pragma once

#include <QMenu>

class QAction;

namespace moorix {

class Preferences;

// The tray icon's menu, as Linux users expect of one: the settings and quitting. Its texts follow the
// interface language.
class TrayMenu : public QMenu {
    Q_OBJECT

public:
    explicit TrayMenu(Preferences& preferences, QWidget* parent = nullptr);

signals:
    void settingsRequested();
    void quitRequested();

private:
    void retext();

    QAction* m_settings;
    QAction* m_quit;
};

} // namespace moorix
