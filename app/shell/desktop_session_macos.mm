#include "app/shell/desktop_session.h"

#import <AppKit/AppKit.h>

namespace moorix {

bool hasDisplay() { return true; }

void makeAccessoryApp() { [NSApp setActivationPolicy:NSApplicationActivationPolicyAccessory]; }

} // namespace moorix
