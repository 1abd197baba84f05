#include "app/services/desktop_notification.h"

namespace moorix {

std::string appleScriptNotification(const std::string& message) {
    std::string escaped;
    for (char c : message) {
        if (c == '\\' || c == '"') escaped += '\\';
        escaped += c;
    }
    return "display notification \"" + escaped + "\" with title \"Moorix\"";
}

} // namespace moorix
