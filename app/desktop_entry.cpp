// The entry points of the desktop module, the only symbols it exports. The executable carries its own copy of
// the C++ runtime, so these take and return C types only and let no exception out: the two copies could not
// agree on one.
#include "app/cli/modes.h"
#include "app/shell/moorix_app.h"
#include "core/decimal.h"

#include <cstdio>
#include <string_view>

#define MOORIX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

int runMode(std::string_view option, const char* value) {
    if (option == "--t") return moorix::cli::translationMode(value);
    if (option == "--docker") return moorix::cli::dockerMode();
    if (const auto port = moorix::parseInt64(value); option == "--probe" && port) return moorix::cli::probeMode(*port);
    return 1;
}

} // namespace

MOORIX_EXPORT int moorix_desktop_mode(const char* option, const char* value) noexcept {
    int status = 1;
    try {
        status = runMode(option, value);
    } catch (...) {
        std::fputs("moorix: the mode failed\n", stderr);
    }
    std::fflush(stdout);
    return status;
}

MOORIX_EXPORT int moorix_menu_bar_app(int argc, char** argv) noexcept {
    try {
        return moorix::runMenuBarApp(argc, argv);
    } catch (...) {
        std::fputs("moorix: the application failed\n", stderr);
        return 1;
    }
}
