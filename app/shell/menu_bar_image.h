#pragma once

#include <QColor>
#include <QImage>
#include <QString>

namespace moorix {

// Where the development-port count goes: beside the icon where a status item may be wider than tall
// (macOS), or as a badge on a square icon (tray icons elsewhere are square and get scaled to fit).
enum class CountPlacement { Beside, Badge };

struct MenuBarStyle {
    CountPlacement placement = CountPlacement::Badge;
    QColor iconColor;       // the icon's tint; black for a template image the menu bar tints itself
    QColor outlineColor;    // a halo around the icon so that it reads on any tray; none when invalid
    int pointSize = 22;     // height of the tray slot in points
    qreal pixelRatio = 2.0; // pixels per point
};

// The tray image: the icon alone for a count of 0, with the count from 1 on.
QImage renderMenuBarImage(const QImage& icon, int count, const MenuBarStyle& style);

// The icon drawn in code, for when the bundled artwork is missing.
QImage fallbackMenuBarIcon();

} // namespace moorix
