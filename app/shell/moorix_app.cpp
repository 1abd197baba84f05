#include "app/shell/moorix_app.h"

#include "app/panel/executor.h"
#include "app/panel/panel_model.h"
#include "app/panel/panel_view.h"
#include "app/panel/system_backend.h"
#include "app/services/app_updater.h"
#include "app/services/desktop_notification.h"
#include "app/services/dev_count.h"
#include "app/services/l10n.h"
#include "app/services/port_notifier.h"
#include "app/services/preferences.h"
#include "app/shell/desktop_session.h"
#include "app/shell/menu_bar_label.h"
#include "app/shell/panel_host.h"
#include "app/shell/single_instance.h"
#include "app/shell/tray_menu.h"
#include "app/widgets/accessible_scroll_area.h"
#include "app/widgets/theme.h"
#include "app/windows/settings_window.h"
#include "core/control/cpu_meter.h"
#include "core/history/history.h"
#include "core/history/kill_notes.h"
#include "core/platform/platform.h"

#include <QApplication>
#include <QCursor>
#include <QSystemTrayIcon>
#include <QThreadPool>
#include <QToolTip>

#include <cstdio>
#include <memory>

namespace moorix {

namespace {

// The objects the application's parts share, made once here and handed to each.
struct Stores {
    History history{History::defaultPath()};
    KillNotes kills{KillLog::defaultPath()};
    CpuMeter meter;
    Preferences preferences;
    DevCount devCount;
};

// The drop-down panel: its model and the window that shows it.
struct Panel {
    Panel(Stores& stores, QThreadPool& workers, QThreadPool& probes, PanelHost::Mode mode)
        : model(
              systemBackend(stores.history, stores.preferences, stores.devCount, stores.kills, stores.meter),
              Executor::threadPools(workers, probes), stores.preferences),
          view(new PanelView(model)), host(mode, view) {
        QObject::connect(&host, &PanelHost::shownChanged, &model, &PanelModel::setShown);
        QObject::connect(&host, &PanelHost::roomChanged, view, &PanelView::setRoom);
        QObject::connect(view, &PanelView::quitRequested, qApp, &QApplication::quit);
        QObject::connect(view, &PanelView::settingsRequested, qApp,
                         [&stores] { SettingsWindow::show(stores.preferences); });
        QObject::connect(view, &PanelView::dismissRequested, &host, [this, mode] {
            if (mode == PanelHost::Mode::Popup) host.hide();
        });
    }

    PanelModel model;
    PanelView* view; // owned by the host
    PanelHost host;
};

} // namespace

int runMenuBarApp(int argc, char** argv) {
    SingleInstance instance(platform::appDataDir() + "/moorix.lock");
    if (instance.heldElsewhere()) return 0;
    if (!hasDisplay()) {
        std::fputs("moorix: no display to show the menu-bar application on; see the README for the options\n",
                   stderr);
        return 1;
    }

    // Before the application object, so that they outlive the windows it still holds at its end (the
    // settings window is never deleted).
    Stores stores;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Moorix"));
    makeAccessoryApp();
    installScrollAreaAccessibility();

    L10n::setLanguage(stores.preferences.appLanguage());
    // Direct: the language changes for every text looked up after the write, on whatever thread.
    QObject::connect(&stores.preferences, &Preferences::appLanguageChanged,
                     [](const QString& language) { L10n::setLanguage(language); });

    requestNotificationPermissionIfBundled();
    PortNotifier notifier(stores.history,
                          PortNotifier::systemWorld(stores.preferences, stores.devCount, stores.kills));
    notifier.start();
    AppUpdater::start();

    QToolTip::setPalette(Theme::palette());
    QToolTip::setFont(Theme::uiFont(12));

    // Tree stops wait up to 2 s and probes up to 1.5 s: the panel's workers are its own, and many.
    QThreadPool workers, probes;
    workers.setMaxThreadCount(8);
    probes.setMaxThreadCount(16);
    const bool trayAvailable = QSystemTrayIcon::isSystemTrayAvailable();
    // Without a tray the window is the application, so closing it quits.
    QApplication::setQuitOnLastWindowClosed(!trayAvailable);
    // Built when first opened: a panel never opened costs no memory.
    std::unique_ptr<Panel> panel;
    const auto openedPanel = [&]() -> Panel& {
        if (!panel)
            panel = std::make_unique<Panel>(stores, workers, probes,
                                            trayAvailable ? PanelHost::Mode::Popup : PanelHost::Mode::Window);
        return *panel;
    };

    std::unique_ptr<QSystemTrayIcon> tray;
    std::unique_ptr<MenuBarLabel> label;
    std::unique_ptr<TrayMenu> menu;
    if (trayAvailable) {
        tray = std::make_unique<QSystemTrayIcon>();
        label = std::make_unique<MenuBarLabel>(*tray, stores.devCount);
        menu = std::make_unique<TrayMenu>(stores.preferences);
        QObject::connect(menu.get(), &TrayMenu::settingsRequested, qApp,
                         [&stores] { SettingsWindow::show(stores.preferences); });
        QObject::connect(menu.get(), &TrayMenu::quitRequested, qApp, &QApplication::quit);
        tray->setContextMenu(menu.get());
        QObject::connect(tray.get(), &QSystemTrayIcon::activated, &app,
                         [&](QSystemTrayIcon::ActivationReason reason) {
                             switch (reason) {
                             case QSystemTrayIcon::Trigger:
                             case QSystemTrayIcon::DoubleClick:
                                 // An XEmbed tray tells where the icon is; a StatusNotifierItem host does
                                 // not, and Qt does not pass on where it was clicked: the panel then opens at
                                 // the pointer.
                                 openedPanel().host.toggle(tray->geometry());
                                 break;
                             case QSystemTrayIcon::Context:
                                 // A host that asks the item for its menu instead of reading the exported
                                 // one.
                                 if (!menu->isVisible()) menu->popup(QCursor::pos());
                                 break;
                             default:
                                 break;
                             }
                         });
        tray->show();
    } else {
        PanelHost& host = openedPanel().host;
        QObject::connect(&stores.devCount, &DevCount::countChanged, &host,
                         [&host](int count) { host.setWindowTitle(MenuBarLabel::toolTip(count)); });
        host.show();
    }

    const int status = QApplication::exec();
    if (tray) tray->hide();
    panel.reset();
    notifier.stop();
    return status;
}

} // namespace moorix
