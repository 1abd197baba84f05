#pragma once

namespace moorix {

// Runs the menu-bar application until the user quits it; returns the exit status. A second copy
// returns at once, so that history is never recorded twice.
int runMenuBarApp(int argc, char** argv);

} // namespace moorix
