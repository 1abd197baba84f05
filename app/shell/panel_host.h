#pragma once

#include <QRect>
#include <QWidget>

namespace moorix {

// The window that holds the panel: a frameless popup under the tray icon, or, where there is no
// system tray, a small ordinary window so that the program stays usable.
class PanelHost : public QWidget {
    Q_OBJECT

public:
    enum class Mode { Popup, Window };
    explicit PanelHost(Mode mode);

    // Opens the popup under `anchor` (the tray icon's screen rectangle, or empty when the tray does not
    // say), or closes it when it is open.
    void toggle(const QRect& anchor);

    // Where the popup goes: centred under the anchor, kept inside the screen's available area.
    static QPoint placement(const QRect& anchor, const QSize& size, const QRect& available);

signals:
    void quitRequested();
};

} // namespace moorix
