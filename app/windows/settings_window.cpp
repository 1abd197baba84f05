#include "app/windows/settings_window.h"

#include "app/services/app_updater.h"
#include "app/services/preferences.h"
#include "app/windows/settings_view.h"
#include "app/windows/window_frame.h"

#include <QApplication>
#include <QPointer>
#include <QShortcut>

#include <optional>

namespace moorix::SettingsWindow {

namespace {

constexpr QSize windowSize(520, 430);
constexpr char frameName[] = "MoorixSettings";

QPointer<QWidget>& instance() {
    static QPointer<QWidget> window;
    return window;
}

std::optional<UpdateController> platformUpdater() {
    if (!AppUpdater::isAvailable()) return std::nullopt;
    return UpdateController{&AppUpdater::automaticallyChecks, &AppUpdater::setAutomaticallyChecks,
                            &AppUpdater::checkForUpdates};
}

QWidget* create() {
    Preferences& preferences = Preferences::shared();
    auto* window = new SettingsView(preferences, AppUpdater::version(), platformUpdater());
    window->setObjectName(QString::fromLatin1(AppUpdater::settingsWindowName));
    window->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::WindowMinimizeButtonHint);
    window->setFixedSize(windowSize);
    auto* close = new QShortcut(QKeySequence::Close, window);
    QObject::connect(close, &QShortcut::activated, window, &QWidget::close);
    WindowFrame::keep(*window, preferences, QString::fromLatin1(frameName));
    return window;
}

// The panel floats above every window; an ordinary window (the panel where there is no tray) is the
// application itself and stays.
bool floats(const QWidget& window) {
    return window.windowType() == Qt::Tool || window.windowType() == Qt::Popup;
}

} // namespace

void show() {
    QPointer<QWidget>& window = instance();
    if (QWidget* active = QApplication::activeWindow(); active && active != window && floats(*active))
        active->close();
    if (!window) window = create();
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

QWidget* window() {
    return instance();
}

} // namespace moorix::SettingsWindow
