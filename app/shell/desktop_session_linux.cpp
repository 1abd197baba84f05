#include "app/shell/desktop_session.h"

#include <cstdlib>
#include <initializer_list>

namespace moorix {

bool hasDisplay() {
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (const char* value = std::getenv(variable); value && *value) return true;
    return false;
}

void makeAccessoryApp() {}

} // namespace moorix
