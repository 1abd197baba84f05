#include "app/services/app_updater.h"

#import <Foundation/Foundation.h>

namespace moorix::AppUpdater {

QString version() {
    id value = NSBundle.mainBundle.infoDictionary[@"CFBundleShortVersionString"];
    if (![value isKindOfClass:[NSString class]]) return QStringLiteral("?");
    return QString::fromNSString(static_cast<NSString*>(value));
}

} // namespace moorix::AppUpdater
