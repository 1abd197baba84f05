#include "app/shell/menu_bar_image.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

namespace moorix {

namespace {

QImage tinted(const QImage& icon, const QColor& color, int side) {
    QImage out = icon.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                     .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    out.setDevicePixelRatio(1); // "@2x" artwork loads with a ratio of 2; here we paint in pixels
    QPainter painter(&out);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(out.rect(), color);
    return out;
}

QFont countFont(qreal pixelSize) {
    QFont font;
    font.setPixelSize(qMax(1, qRound(pixelSize)));
    font.setBold(true);
    return font;
}

} // namespace

QImage renderMenuBarImage(const QImage& icon, int count, const MenuBarStyle& style) {
    const int side = qRound(style.pointSize * style.pixelRatio);
    const QImage glyph = tinted(icon.isNull() ? fallbackMenuBarIcon() : icon, style.iconColor, side);
    const QString text = QString::number(count);

    if (style.placement == CountPlacement::Beside) {
        const QFont font = countFont(side * 0.62);
        const qreal textWidth = count >= 1 ? QFontMetricsF(font).horizontalAdvance(text) : 0;
        const int gap = count >= 1 ? qRound(side * 0.2) : 0;
        QImage image(side + gap + qCeil(textWidth), side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.drawImage(0, 0, glyph);
        if (count >= 1) {
            painter.setRenderHint(QPainter::TextAntialiasing);
            painter.setFont(font);
            painter.setPen(style.iconColor);
            painter.drawText(QRectF(side + gap, 0, textWidth + 1, side), Qt::AlignLeft | Qt::AlignVCenter,
                             text);
        }
        image.setDevicePixelRatio(style.pixelRatio);
        return image;
    }

    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    if (style.outlineColor.isValid()) {
        const QImage halo = tinted(icon.isNull() ? fallbackMenuBarIcon() : icon, style.outlineColor, side);
        const int width = qMax(1, qRound(style.pixelRatio));
        for (int dx = -width; dx <= width; ++dx)
            for (int dy = -width; dy <= width; ++dy)
                if (dx != 0 || dy != 0) painter.drawImage(dx, dy, halo);
    }
    painter.drawImage(0, 0, glyph);
    if (count >= 1) {
        // A pill in the lower right corner, as wide as the digits need and never wider than the icon.
        const qreal height = side * 0.5;
        QFont font = countFont(height * 0.78);
        qreal width = qMax(height, QFontMetricsF(font).horizontalAdvance(text) + height * 0.45);
        if (width > side) {
            font = countFont(height * 0.78 * side / width);
            width = side;
        }
        const QRectF pill(side - width, side - height, width, height);
        QPainterPath path;
        path.addRoundedRect(pill, height / 2, height / 2);
        painter.fillPath(path, QColor(0xE5, 0x39, 0x35));
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(pill, Qt::AlignCenter, text);
    }
    image.setDevicePixelRatio(style.pixelRatio);
    return image;
}

QImage fallbackMenuBarIcon() {
    QImage image(36, 36, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::black);
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(5, 3, 26, 14), 3, 3);
    painter.drawRect(QRectF(16.5, 17, 3, 5));
    painter.drawRoundedRect(QRectF(9, 22, 18, 11), 3, 3);
    return image;
}

} // namespace moorix
