#pragma once

#include "app/shell/menu_bar_image.h"

#include <QIcon>
#include <QImage>

// How this system's menu bar or tray shows the application's icon and count.
namespace moorix::MenuBarLook {

MenuBarStyle style();

// The tray icon made from a drawn image.
QIcon icon(const QImage& image);

} // namespace moorix::MenuBarLook
