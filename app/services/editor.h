#pragma once

#include <QString>

#include <optional>
#include <string>
#include <vector>

// Opens a project folder in the user's code editor, or in the file manager when there is none.
namespace moorix::Editor {

// How an installed editor or the file manager is started: `launcher` with `arguments`, then the folder as one
// more argument.
struct Installed {
    QString name;
    std::string launcher;
    std::vector<std::string> arguments;
};

// The first editor found in the platform's fixed order; looked for again on every call.
std::optional<Installed> installed();

// Display name of the editor `open` would use ("Cursor", "Visual Studio Code"); absent when none.
std::optional<QString> appName();

// The platform's file manager: Finder on macOS; on Linux the desktop's default folder handler, started
// through xdg-open, named "Files" when its name is unknown.
Installed fileManager();

// The name of what `open` would use: the editor, else the file manager.
QString openerName();

// Starts the editor (else the file manager) on `path` and returns at once: the program is never waited
// for and never signalled. Nothing is reported; one that fails simply shows nothing.
void open(const QString& path);

} // namespace moorix::Editor
