#pragma once

#include <QElapsedTimer>
#include <QRect>
#include <QWidget>

#include <optional>

namespace moorix {

// The window that holds the panel. Under a tray icon: a frameless, stay-on-top tool window (a popup
// would hide it from screen readers) that closes like a popup does, when it loses activation or the
// icon is clicked again. Without a system tray: a small ordinary window, so that the program stays usable.
class PanelHost : public QWidget {
    Q_OBJECT

public:
    enum class Mode { Popup, Window };
    PanelHost(Mode mode, QWidget* content);

    // Opens the panel under `anchor` (the tray icon's screen rectangle, or empty when the tray does not
    // say: then at the pointer), or closes it when it is open.
    void toggle(const QRect& anchor);

    // Where the panel goes: centred under the anchor, kept inside the screen's available area.
    static QPoint placement(const QRect& anchor, const QSize& size, const QRect& available);
    // The most height a panel can take beside the anchor without covering it: the taller of the
    // available areas below and above it.
    static int room(const QRect& anchor, const QRect& available);

signals:
    void shownChanged(bool shown);
    // Emitted before the panel opens: the height it may take (see `room`).
    void roomChanged(int height);

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The available area of the screen that holds the anchor; nothing without a screen.
    std::optional<QRect> available() const;
    void place();

    Mode m_mode;
    QRect m_anchor;
    // Since the panel last closed itself on losing activation: the tray click that caused it must not
    // open it again.
    QElapsedTimer m_closedByDeactivation;
};

} // namespace moorix
