#include "app/shell/accessory_app.h"

namespace moorix {

void makeAccessoryApp() {}

} // namespace moorix
