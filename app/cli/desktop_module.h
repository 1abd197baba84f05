#pragma once

#include <string>
#include <string_view>

// The half of the program that needs the GUI toolkit and the HTTP client lives in a module loaded on
// demand, so that the command-line modes that need neither start without loading them.
namespace moorix::desktop {

// Runs "--t", "--docker" or "--probe" with its value; returns the exit status.
int runMode(std::string_view option, const std::string& value);

// Runs the menu-bar application until it quits; returns the exit status.
int runMenuBarApp(int argc, char** argv);

} // namespace moorix::desktop
