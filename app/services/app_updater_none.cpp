#include "app/services/app_updater.h"

namespace moorix::AppUpdater {

bool isAvailable() { return false; }
void start() {}
bool automaticallyChecks() { return false; }
void setAutomaticallyChecks(bool) {}
void checkForUpdates() {}

} // namespace moorix::AppUpdater
