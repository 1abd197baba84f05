#pragma once

namespace moorix {

// Makes the application a menu-bar accessory: no dock icon and no application menu (macOS only;
// other desktops have no such notion).
void makeAccessoryApp();

} // namespace moorix
