#include "app/shell/panel_host.h"

#include "app/services/l10n.h"

#include <QCursor>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace moorix {

PanelHost::PanelHost(Mode mode)
    : QWidget(nullptr, mode == Mode::Popup ? Qt::Popup | Qt::FramelessWindowHint : Qt::Window) {
    setWindowTitle(QStringLiteral("Moorix"));
    setObjectName(QStringLiteral("panelHost"));
    auto* header = new QHBoxLayout;
    auto* name = new QLabel(QStringLiteral("Moorix"));
    name->setObjectName(QStringLiteral("headerName"));
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.15);
    name->setFont(bold);
    auto* quit = new QPushButton(L10n::text("quit"));
    quit->setObjectName(QStringLiteral("quitButton"));
    connect(quit, &QPushButton::clicked, this, &PanelHost::quitRequested);
    header->addWidget(name);
    header->addStretch();
    header->addWidget(quit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(header);
    layout->addStretch();
    setMinimumWidth(360);
}

void PanelHost::toggle(const QRect& anchor) {
    if (isVisible()) {
        hide();
        return;
    }
    const QPoint point = anchor.isEmpty() ? QCursor::pos() : anchor.center();
    QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen) screen = QGuiApplication::primaryScreen();
    adjustSize();
    const QRect at = anchor.isEmpty() ? QRect(point, QSize(1, 1)) : anchor;
    if (screen) move(placement(at, size(), screen->availableGeometry()));
    show();
    raise();
    activateWindow();
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
