#include "app/services/app_updater.h"

namespace moorix::AppUpdater {

QString version() { return QStringLiteral(MOORIX_VERSION); }

} // namespace moorix::AppUpdater
