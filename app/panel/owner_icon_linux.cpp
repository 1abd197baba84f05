#include "app/panel/owner_icon.h"

#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>

#include <functional>

namespace moorix {

namespace {

// A rounded square in a colour of the name's own, with its first letter: a terminal, an editor or a
// server without an icon of its own still has a face that tells it from the others.
QIcon letterIcon(const QString& name) {
    constexpr int size = 64;
    const auto hash = static_cast<unsigned>(std::hash<std::string>{}(name.toStdString()));
    const QColor base = QColor::fromHsl(static_cast<int>(hash % 360), 110, 92);
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    QLinearGradient fill(0, 0, 0, size);
    fill.setColorAt(0, base.lighter(125));
    fill.setColorAt(1, base.darker(115));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(0, 0, size, size), 14, 14);
    QFont font = QGuiApplication::font();
    font.setPixelSize(size * 11 / 20);
    font.setWeight(QFont::DemiBold);
    painter.setFont(font);
    painter.setPen(QColor(255, 255, 255, 235));
    const QString letter = name.isEmpty() ? QStringLiteral("?") : name.left(1).toUpper();
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, letter);
    painter.end();
    return QIcon(pixmap);
}

} // namespace

// Desktop themes name application icons after their executables, in lower case.
QIcon platformOwnerIcon(const PortEntry& entry) {
    const QString name = QString::fromStdString(entry.owner()).toLower();
    if (!name.isEmpty() && QIcon::hasThemeIcon(name)) return QIcon::fromTheme(name);
    return letterIcon(name);
}

} // namespace moorix
