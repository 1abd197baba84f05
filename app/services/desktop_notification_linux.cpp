#include "app/services/desktop_notification.h"

#include "core/platform/test_seams.h"
#include "core/platform/tool_runner.h"

namespace moorix {

// The message is its own argument, so it needs no escaping.
void postNotification(const std::string& message) {
    const std::string command = testOverride("MOORIX_TEST_NOTIFY").value_or("/usr/bin/notify-send");
    PortCore::runTool(command, {"--app-name=Moorix", "Moorix", message}, 5.0);
}

bool isBundledApp() { return false; }

void requestNotificationPermissionIfBundled() {}

} // namespace moorix
