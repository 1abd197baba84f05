#include "app/shell/accessory_app.h"

#import <AppKit/AppKit.h>

namespace moorix {

void makeAccessoryApp() { [NSApp setActivationPolicy:NSApplicationActivationPolicyAccessory]; }

} // namespace moorix
