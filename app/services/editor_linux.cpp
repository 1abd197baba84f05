#include "app/services/editor.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTextStream>

#include <utility>

namespace moorix::Editor {

namespace {

// The lines of `group` in a desktop-entry style file, as key and value.
std::vector<std::pair<QString, QString>> groupEntries(const QString& path, const QString& group) {
    std::vector<std::pair<QString, QString>> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return entries;
    QTextStream lines(&file);
    bool inside = false;
    while (!lines.atEnd()) {
        const QString line = lines.readLine().trimmed();
        if (line.startsWith(u'[')) {
            inside = line == u'[' + group + u']';
        } else if (const qsizetype equals = line.indexOf(u'='); inside && equals > 0) {
            entries.emplace_back(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
        }
    }
    return entries;
}

// The desktop's default application for folders, as the freedesktop.org mimeapps.list files name it.
QString defaultFolderHandler() {
    QStringList lists;
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation))
        lists << folder + "/mimeapps.list";
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation))
        lists << folder + "/mimeapps.list";
    for (const QString& list : lists)
        for (const auto& [key, value] : groupEntries(list, QStringLiteral("Default Applications")))
            if (key == u"inode/directory") return value.section(u';', 0, 0);
    return {};
}

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

Installed fileManager() {
    QString name = QStringLiteral("Files");
    if (const QString handler = defaultFolderHandler(); !handler.isEmpty()) {
        const QString entry = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, handler);
        for (const auto& [key, value] : groupEntries(entry, QStringLiteral("Desktop Entry")))
            if (key == u"Name" && !value.isEmpty()) name = value;
    }
    return {name, "/usr/bin/xdg-open", {}};
}

} // namespace moorix::Editor
