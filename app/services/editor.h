#pragma once

#include <QString>

#include <optional>
#include <string>
#include <vector>

// Opens a project folder in the user's code editor, or in the file manager when there is none.
namespace moorix::Editor {

// How an installed editor is started: `launcher` with `arguments`, then the folder as one more argument.
struct Installed {
    QString name;
    std::string launcher;
    std::vector<std::string> arguments;
};

// The first editor found in the platform's fixed order; looked for again on every call.
std::optional<Installed> installed();

// Display name of the editor `open` would use ("Cursor", "Visual Studio Code"); absent when none.
std::optional<QString> appName();

// Nothing is reported: an editor that fails or a folder that is gone simply shows nothing.
void open(const QString& path);

} // namespace moorix::Editor
