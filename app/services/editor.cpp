#include "app/services/editor.h"

#include "core/tool_runner.h"

#include <QDesktopServices>
#include <QUrl>

namespace moorix::Editor {

std::optional<QString> appName() {
    if (const auto editor = installed()) return editor->name;
    return std::nullopt;
}

void open(const QString& path) {
    const auto editor = installed();
    if (!editor) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
        return;
    }
    std::vector<std::string> arguments = editor->arguments;
    arguments.push_back(path.toStdString());
    PortCore::runTool(editor->launcher, arguments, 5.0);
}

} // namespace moorix::Editor
