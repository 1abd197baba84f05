#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// The half of Moorix that needs the GUI toolkit and the HTTP client is a program of its own, started in
// place of this one (exec, same pid) only when needed: the command-line modes that need neither then start
// as one statically linked executable, with nothing to load.
namespace moorix::cli {

// The options whose modes the desktop program runs, named here once for the dispatch and for the desktop
// program.
inline constexpr std::string_view translationOption = "--t";
inline constexpr std::string_view dockerOption = "--docker";
inline constexpr std::string_view probeOption = "--probe";

// The desktop program's first argument: run one of the modes above, or the application.
inline constexpr std::string_view modeRole = "--mode";
inline constexpr std::string_view appRole = "--app";

// Runs one of the desktop program's options with its value; returns only when that program cannot start.
int startDesktopMode(std::string_view option, const std::string& value);

// Runs the menu-bar application; returns only when the desktop program cannot start.
int startMenuBarApp(int argc, char** argv);

// Where the desktop program is looked for, in order, by the command at `executable`: beside it, in
// ../lib/moorix for an installed copy, and in the build folder only for a command inside its build tree.
// Nowhere when the executable's own path is unknown.
std::vector<std::filesystem::path> programCandidates(const std::filesystem::path& executable);

} // namespace moorix::cli
