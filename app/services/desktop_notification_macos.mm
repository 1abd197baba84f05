#include "app/services/desktop_notification.h"

#include "core/platform/test_seams.h"
#include "core/platform/tool_runner.h"

#import <Foundation/Foundation.h>
#import <UserNotifications/UserNotifications.h>

namespace moorix {

bool isBundledApp() {
    static const bool bundled =
        [[[NSBundle mainBundle] bundleIdentifier] isEqualToString:@"com.quenvale.moorix"];
    return bundled;
}

void requestNotificationPermissionIfBundled() {
    if (!isBundledApp()) return;
    [[UNUserNotificationCenter currentNotificationCenter]
        requestAuthorizationWithOptions:(UNAuthorizationOptionAlert | UNAuthorizationOptionSound)
                      completionHandler:^(BOOL, NSError*){
                      }];
}

void postNotification(const std::string& message) {
    if (!isBundledApp()) {
        const std::string command = testOverride("MOORIX_TEST_NOTIFY").value_or("/usr/bin/osascript");
        PortCore::runTool(command, {"-e", appleScriptNotification(message)}, 5.0);
        return;
    }
    @autoreleasepool {
        UNMutableNotificationContent* content = [[UNMutableNotificationContent alloc] init];
        content.title = @"Moorix";
        content.body = [NSString stringWithUTF8String:message.c_str()] ?: @"";
        UNNotificationRequest* request =
            [UNNotificationRequest requestWithIdentifier:[[NSUUID UUID] UUIDString]
                                                 content:content
                                                 trigger:nil];
        [[UNUserNotificationCenter currentNotificationCenter] addNotificationRequest:request
                                                               withCompletionHandler:nil];
    }
}

} // namespace moorix
