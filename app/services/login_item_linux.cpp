#include "app/services/login_item.h"

#include "core/platform/command_path.h"

#include <QFile>
#include <QStandardPaths>

namespace moorix::LoginItem {

// Linux has no packaged form.
bool isBundled() { return false; }

std::string registrationPath() {
    return (QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            "/autostart/com.quenvale.moorix.desktop")
        .toStdString();
}

bool isEnabled() { return QFile::exists(QString::fromStdString(registrationPath())); }

// The running instance is the one the entry would start, so there is nothing to load now.
void enable() { writeFileAtomically(registrationPath(), autostartEntry(commandPath())); }

void disable() { QFile::remove(QString::fromStdString(registrationPath())); }

} // namespace moorix::LoginItem
