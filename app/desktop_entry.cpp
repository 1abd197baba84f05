// The entry points of the desktop module, the only symbols it exports.
#include "app/cli/modes.h"
#include "app/shell/moorix_app.h"
#include "core/decimal.h"

#include <cstdio>
#include <string_view>

#define MOORIX_EXPORT extern "C" __attribute__((visibility("default")))

MOORIX_EXPORT int moorix_desktop_mode(const char* option, const char* value) {
    const std::string_view name = option;
    int status = 1;
    if (name == "--t") {
        status = moorix::cli::translationMode(value);
    } else if (name == "--docker") {
        status = moorix::cli::dockerMode();
    } else if (const auto port = moorix::parseInt64(value); name == "--probe" && port) {
        status = moorix::cli::probeMode(*port);
    }
    std::fflush(stdout);
    return status;
}

MOORIX_EXPORT int moorix_menu_bar_app(int argc, char** argv) { return moorix::runMenuBarApp(argc, argv); }
