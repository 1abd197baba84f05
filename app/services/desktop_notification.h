#pragma once

#include <string>

namespace moorix {

// Shows one desktop notification titled "Moorix" with `message` as its body. Blocks for at most the
// notification command's time limit; failures are silent.
void postNotification(const std::string& message);

// Whether this is the packaged application (bundle identifier com.quenvale.moorix) rather than a bare
// executable; only the packaged one may use the native notification centre.
bool isBundledApp();

// Asks for permission to post notifications when packaged; the answer is not needed.
void requestNotificationPermissionIfBundled();

// The AppleScript that shows `message` as a notification, with the message escaped for a string literal.
std::string appleScriptNotification(const std::string& message);

} // namespace moorix
