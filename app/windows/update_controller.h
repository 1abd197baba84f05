#pragma once

#include <functional>

namespace moorix {

// What the Updates tab asks of an updater. Only a platform that has one builds it; without it the tab
// shows the installed version alone.
struct UpdateController {
    std::function<bool()> automaticallyChecks;
    std::function<void(bool)> setAutomaticallyChecks;
    std::function<void()> checkForUpdates;
};

} // namespace moorix
