#pragma once

#include "app/windows/update_controller.h"

#include <QWidget>

#include <optional>

class QStackedWidget;

namespace moorix {

class GeneralSettings;
class Preferences;
class TabBar;
class UpdatesSettings;

// The settings window's content: the tab bar over the selected tab, on the theme's wash. It re-texts
// itself, title included, as soon as the interface language changes.
class SettingsView : public QWidget {
    Q_OBJECT

public:
    SettingsView(Preferences& preferences, QString version, std::optional<UpdateController> updates,
                 QWidget* parent = nullptr);

    // The height that shows the taller tab whole, without scrolling.
    int fittingHeight() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void retext();

    TabBar* m_tabBar;
    QStackedWidget* m_pages;
    GeneralSettings* m_general;
    UpdatesSettings* m_updates;
};

} // namespace moorix
