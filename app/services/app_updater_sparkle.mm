#include "app/services/app_updater.h"

#include "app/services/login_item.h"

#import <AppKit/AppKit.h>
#import <Sparkle/Sparkle.h>

#include <QApplication>
#include <QWidget>

// Places the framework's update alert over the settings window when that window is open.
@interface MoorixUpdatePresenter : NSObject <SPUStandardUserDriverDelegate>
@end

namespace moorix::AppUpdater {

namespace {

NSWindow* settingsWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() != settingsWindowName || !widget->isVisible()) continue;
        NSView* view = (__bridge NSView*)reinterpret_cast<void*>(widget->winId());
        return view.window;
    }
    return nil;
}

MoorixUpdatePresenter* presenter() {
    static MoorixUpdatePresenter* const instance = [[MoorixUpdatePresenter alloc] init];
    return instance;
}

SPUStandardUpdaterController* controller() {
    static SPUStandardUpdaterController* const instance =
        LoginItem::isBundled() ? [[SPUStandardUpdaterController alloc] initWithStartingUpdater:YES
                                                                               updaterDelegate:nil
                                                                            userDriverDelegate:presenter()]
                               : nil;
    return instance;
}

void centreActiveAlert() {
    SPUStandardUpdaterController* updater = controller();
    if (updater == nil || updater.userDriver == nil) return;
    id driver = updater.userDriver;
    // A private property of the framework: when it goes away the alert keeps the framework's placement.
    if (![driver respondsToSelector:NSSelectorFromString(@"activeUpdateAlert")]) return;
    id alert = [driver valueForKey:@"activeUpdateAlert"];
    if (![alert isKindOfClass:[NSWindowController class]]) return;
    NSWindow* alertWindow = static_cast<NSWindowController*>(alert).window;
    if (alertWindow == nil) return;
    dispatch_async(dispatch_get_main_queue(), ^{
      NSWindow* settings = settingsWindow();
      if (settings == nil) return;
      const NSRect frame = settings.frame;
      const NSSize size = alertWindow.frame.size;
      [alertWindow
          setFrameOrigin:NSMakePoint(NSMidX(frame) - size.width / 2, NSMidY(frame) - size.height / 2)];
    });
}

} // namespace

bool isAvailable() { return controller() != nil; }

void start() { (void)controller(); }

bool automaticallyChecks() {
    return controller() != nil && controller().updater.automaticallyChecksForUpdates;
}

void setAutomaticallyChecks(bool on) {
    if (controller() != nil) controller().updater.automaticallyChecksForUpdates = on;
}

void checkForUpdates() {
    if (controller() != nil) [controller() checkForUpdates:nil];
}

} // namespace moorix::AppUpdater

@implementation MoorixUpdatePresenter

- (void)standardUserDriverWillHandleShowingUpdate:(BOOL)handleShowingUpdate
                                        forUpdate:(SUAppcastItem*)update
                                            state:(SPUUserUpdateState*)state {
    (void)handleShowingUpdate;
    (void)update;
    (void)state;
    moorix::AppUpdater::centreActiveAlert();
}

@end
