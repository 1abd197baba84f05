#include "app/windows/settings_window.h"

#include "app/services/app_updater.h"
#include "app/services/preferences.h"
#include "app/windows/settings_view.h"
#include "app/windows/window_frame.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QShortcut>

#include <algorithm>
#include <optional>

namespace moorix::SettingsWindow {

namespace {

// The size the window opens at, unless its content needs more height.
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

// Tall enough for the taller tab whole (texts and the hidden-ports row change its height), and no taller
// than the screen leaves beside the frame the window manager adds; beyond that the tab scrolls.
void fit(SettingsView& window) {
    int height = std::max(windowSize.height(), window.fittingHeight());
    if (const QScreen* screen = window.screen()) {
        const int frame = window.frameGeometry().height() - window.height();
        height = std::min(height, screen->availableGeometry().height() - frame);
    }
    window.setFixedSize(windowSize.width(), height);
}

QWidget* create(Preferences& preferences) {
    auto* window = new SettingsView(preferences, AppUpdater::version(), platformUpdater());
    window->setObjectName(QString::fromLatin1(AppUpdater::settingsWindowName));
    window->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                           Qt::WindowMinimizeButtonHint);
    fit(*window);
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

void show(Preferences& preferences) {
    QPointer<QWidget>& window = instance();
    if (QWidget* active = QApplication::activeWindow(); active && active != window && floats(*active))
        active->close();
    if (!window) window = create(preferences);
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    // Showing the tabs gave them the stored values, rows included; their layouts follow at once.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    fit(*static_cast<SettingsView*>(window.data()));
    window->raise();
    window->activateWindow();
}

QWidget* window() { return instance(); }

} // namespace moorix::SettingsWindow
