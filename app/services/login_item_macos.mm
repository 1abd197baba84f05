#include "app/services/login_item.h"

#include "core/platform/command_path.h"

#import <Foundation/Foundation.h>
#import <ServiceManagement/ServiceManagement.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>

#include <unistd.h>

namespace moorix::LoginItem {

bool isBundled() {
    NSString* identifier = NSBundle.mainBundle.bundleIdentifier;
    return identifier != nil && [identifier isEqualToString:@"com.quenvale.moorix"];
}

std::string registrationPath() {
    static const std::string path =
        (QDir::homePath() + "/Library/LaunchAgents/com.quenvale.moorix.plist").toStdString();
    return path;
}

bool isEnabled() {
    if (isBundled()) return SMAppService.mainAppService.status == SMAppServiceStatusEnabled;
    return QFile::exists(QString::fromStdString(registrationPath()));
}

void enable() {
    if (isBundled()) {
        // A launch agent left from a bare-executable installation would start a second copy.
        QFile::remove(QString::fromStdString(registrationPath()));
        [SMAppService.mainAppService registerAndReturnError:nil];
        return;
    }
    writeFileAtomically(registrationPath(), launchAgentPlist(commandPath()));
    // Loading the agent now starts the program at once, as every later login will; nobody waits for it.
    QProcess launchctl;
    launchctl.setProgram("/bin/launchctl");
    launchctl.setArguments(
        {"bootstrap", "gui/" + QString::number(::getuid()), QString::fromStdString(registrationPath())});
    launchctl.setStandardOutputFile(QProcess::nullDevice());
    launchctl.setStandardErrorFile(QProcess::nullDevice());
    launchctl.startDetached();
}

void disable() {
    if (isBundled()) {
        [SMAppService.mainAppService unregisterAndReturnError:nil];
        return;
    }
    QFile::remove(QString::fromStdString(registrationPath()));
}

} // namespace moorix::LoginItem
