#pragma once

class QWidget;

namespace moorix {
class Preferences;
}

// The application's one ordinary window, where the user changes the preferences and brings hidden ports
// back. Created on first use and kept for the life of the process: closing it only hides it, so it comes
// back where it was, on the tab last chosen.
namespace moorix::SettingsWindow {

// Opens the window, or brings it to the front. A floating window that is active (the menu-bar panel) is
// closed first, so that the settings never open behind it. The window shows and changes `preferences`,
// which must outlive it. Main thread only.
void show(Preferences& preferences);

// The window once `show` has created it; null before.
QWidget* window();

} // namespace moorix::SettingsWindow
