#include "app/widgets/symbol.h"

#include <QHash>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

namespace moorix {

QPixmap symbol(const QString& name, int size, const QColor& color, qreal devicePixelRatio) {
    static QHash<QString, QPixmap> drawn;
    const QString key =
        QStringLiteral("%1/%2/%3/%4").arg(name).arg(size).arg(color.rgba()).arg(devicePixelRatio);
    if (const auto found = drawn.constFind(key); found != drawn.constEnd()) return *found;

    QSvgRenderer renderer(QStringLiteral(":/icons/%1.svg").arg(name));
    QImage image(QSize(size, size) * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    // The drawings are black shapes: keep their coverage, take the colour.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    painter.end();
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    drawn.insert(key, pixmap);
    return pixmap;
}

} // namespace moorix
