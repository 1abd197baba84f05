#pragma once

#include <string>
#include <string_view>

// Starting the menu-bar application at login: the system's login-item service for the packaged macOS
// application; otherwise a file of our own that the session reads at login (a launch agent on macOS,
// an XDG autostart entry on Linux).
namespace moorix::LoginItem {

// True only for the packaged macOS application (bundle identifier com.quenvale.moorix).
bool isBundled();
bool isEnabled();
// Neither reports a failure: the settings switch shows the real state the next time it is built.
void enable();
void disable();

// The file that registers the bare executable: the launch agent or the autostart entry.
std::string registrationPath();

// The launch agent's property list, with the path escaped for XML.
std::string launchAgentPlist(std::string_view binaryPath);

// The autostart desktop entry; the path is quoted as an Exec argument and escaped as a string value.
std::string autostartEntry(std::string_view binaryPath);

// One Exec argument by the Desktop Entry rules (quoted when it holds a reserved character, "%" doubled).
std::string quoteExecArgument(std::string_view argument);

// Writes through a temporary file renamed into place, creating the folders on the way.
bool writeFileAtomically(const std::string& path, const std::string& contents);

} // namespace moorix::LoginItem
