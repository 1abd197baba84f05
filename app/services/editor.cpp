#include "app/services/editor.h"

#include "core/platform/detached_launch.h"

namespace moorix::Editor {

std::optional<QString> appName() {
    if (const auto editor = installed()) return editor->name;
    return std::nullopt;
}

QString openerName() {
    if (auto name = appName()) return *name;
    return fileManager().name;
}

void open(const QString& path) {
    Installed opener = installed().value_or(fileManager());
    opener.arguments.push_back(path.toStdString());
    launchDetached(opener.launcher, opener.arguments, std::nullopt);
}

} // namespace moorix::Editor
