#include "app/services/editor.h"

#include <sys/stat.h>

#include <utility>

namespace moorix::Editor {

std::optional<Installed> installed() {
    const std::pair<const char*, const char*> editors[] = {
        {"/Applications/Cursor.app", "Cursor"},
        {"/Applications/Visual Studio Code.app", "Visual Studio Code"}};
    for (const auto& [bundle, name] : editors) {
        struct stat info {};
        if (::stat(bundle, &info) == 0)
            return Installed{QString::fromUtf8(name), "/usr/bin/open", {"-a", name}};
    }
    return std::nullopt;
}

Installed fileManager() { return {QStringLiteral("Finder"), "/usr/bin/open", {}}; }

} // namespace moorix::Editor
