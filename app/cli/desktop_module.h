#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// The half of the program that needs the GUI toolkit and the HTTP client lives in a module loaded on
// demand, so that the command-line modes that need neither start without loading them.
namespace moorix::desktop {

// Runs "--t", "--docker" or "--probe" with its value; returns the exit status.
int runMode(std::string_view option, const std::string& value);

// Runs the menu-bar application until it quits; returns the exit status.
int runMenuBarApp(int argc, char** argv);

// Where the module is looked for, in order, by the program at `executable`: beside it, in ../lib/moorix for
// an installed copy, and in the build folder only for a program inside its build tree. Nowhere when the
// executable's own path is unknown.
std::vector<std::filesystem::path> moduleCandidates(const std::filesystem::path& executable);

} // namespace moorix::desktop
