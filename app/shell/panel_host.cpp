#include "app/shell/panel_host.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace moorix {

namespace {

constexpr qint64 reopenGuardMilliseconds = 300;

} // namespace

PanelHost::PanelHost(Mode mode, QWidget* content)
    : QWidget(nullptr, mode == Mode::Popup ? Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint : Qt::Window),
      m_mode(mode) {
    setWindowTitle(QStringLiteral("Moorix"));
    setObjectName(QStringLiteral("panelHost"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(content);
    setFocusProxy(content);
}

void PanelHost::toggle(const QRect& anchor) {
    if (isVisible()) {
        hide();
        return;
    }
    if (m_closedByDeactivation.isValid() && m_closedByDeactivation.elapsed() < reopenGuardMilliseconds) return;
    m_anchor = anchor;
    show();
    place();
    raise();
    activateWindow();
    setFocus();
}

void PanelHost::place() {
    if (m_mode != Mode::Popup) return;
    const QPoint point = m_anchor.isEmpty() ? QCursor::pos() : m_anchor.center();
    QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect available = screen->availableGeometry();
    // A tray that does not say where its icon is (some Wayland trays): the top right corner, where
    // status icons usually sit, of the screen the user is working on.
    const QRect at = m_anchor.isEmpty() ? QRect(available.right(), available.top() - 1, 1, 1) : m_anchor;
    move(placement(at, size(), available));
}

void PanelHost::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The panel grows and shrinks with its list; it stays attached to the icon.
    if (isVisible()) place();
}

bool PanelHost::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::Show: emit shownChanged(true); break;
    case QEvent::Hide: emit shownChanged(false); break;
    case QEvent::WindowDeactivate:
        if (m_mode == Mode::Popup && isVisible()) {
            m_closedByDeactivation.start();
            hide();
        }
        break;
    default: break;
    }
    return QWidget::event(event);
}

QPoint PanelHost::placement(const QRect& anchor, const QSize& size, const QRect& available) {
    int x = anchor.center().x() - size.width() / 2;
    // Below the icon when the tray is at the top; above it when the tray is at the bottom.
    int y = anchor.bottom() + 1 + size.height() <= available.bottom() + 1 ? anchor.bottom() + 1
                                                                          : anchor.top() - size.height();
    x = std::clamp(x, available.left(), std::max(available.left(), available.right() + 1 - size.width()));
    y = std::clamp(y, available.top(), std::max(available.top(), available.bottom() + 1 - size.height()));
    return {x, y};
}

} // namespace moorix
