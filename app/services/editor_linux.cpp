#include "app/services/editor.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>

#include <utility>

namespace moorix::Editor {

namespace {

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

} // namespace

// Absolute folders only, never PATH: the editor is started with the user's rights from a menu click.
std::optional<Installed> installed() {
    const std::string home = QDir::homePath().toStdString();
    const std::vector<std::string> folders{"/usr/bin", "/usr/local/bin", "/snap/bin", home + "/.local/bin"};
    const std::pair<const char*, const char*> editors[] = {{"cursor", "Cursor"},
                                                           {"code", "Visual Studio Code"}};
    for (const auto& [command, name] : editors) {
        for (const std::string& folder : folders) {
            const std::string path = folder + "/" + command;
            if (isExecutableFile(path)) return Installed{QString::fromUtf8(name), path, {}};
        }
    }
    return std::nullopt;
}

} // namespace moorix::Editor
