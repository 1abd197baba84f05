#pragma once

namespace moorix {

// Whether there is a desktop to show the application on. Without one the program says so and stops
// instead of aborting inside the toolkit.
bool hasDisplay();

// Makes the application a menu-bar accessory: no dock icon and no application menu (macOS only;
// other desktops have no such notion).
void makeAccessoryApp();

} // namespace moorix
