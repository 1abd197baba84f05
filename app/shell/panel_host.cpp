#include "app/shell/panel_host.h"

#include <QCursor>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QVBoxLayout>

namespace moorix {

namespace {

constexpr qint64 reopenGuardMilliseconds = 300;

} // namespace

PanelHost::PanelHost(Mode mode, QWidget* content)
    : QWidget(nullptr, mode == Mode::Popup ? Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                                           : Qt::Window),
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
    if (m_closedByDeactivation.isValid() && m_closedByDeactivation.elapsed() < reopenGuardMilliseconds)
        return;
    // A tray that does not say where its icon is (a StatusNotifierItem host): the user just clicked it,
    // so the pointer is there.
    m_anchor = anchor.isEmpty() ? QRect(QCursor::pos(), QSize(1, 1)) : anchor;
    if (m_mode == Mode::Popup) {
        if (const auto area = available()) emit roomChanged(room(m_anchor, *area));
        // Sized and placed before it is mapped: a window manager places a window that appears without a
        // position of its own wherever it likes (metacity and openbox chose the top left corner).
        layout()->activate();
        place();
    }
    show();
    raise();
    activateWindow();
    setFocus();
}

std::optional<QRect> PanelHost::available() const {
    QScreen* screen = QGuiApplication::screenAt(m_anchor.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return std::nullopt;
    return screen->availableGeometry();
}

void PanelHost::place() {
    if (m_mode != Mode::Popup) return;
    if (const auto area = available()) move(placement(m_anchor, size(), *area));
}

void PanelHost::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The panel grows and shrinks with its list; it stays attached to the icon.
    if (isVisible()) place();
}

bool PanelHost::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::Show:
        emit shownChanged(true);
        break;
    case QEvent::Hide:
        emit shownChanged(false);
        break;
    case QEvent::WindowDeactivate:
        if (m_mode == Mode::Popup && isVisible()) {
            m_closedByDeactivation.start();
            hide();
        }
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

int PanelHost::room(const QRect& anchor, const QRect& available) {
    return std::max(available.bottom() - anchor.bottom(), anchor.top() - available.top());
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
