// The desktop program: the menu-bar application and the command-line modes that need Qt or HTTP. The
// `moorix` command starts it in its own place as
//   moorix-desktop --mode COMMAND_PATH OPTION VALUE
//   moorix-desktop --app COMMAND_PATH [the command's arguments]
// Started directly, without a role, it runs the application.
#include "app/cli/desktop_program.h"
#include "app/desktop/desktop_modes.h"
#include "app/shell/moorix_app.h"
#include "core/platform/command_path.h"
#include "core/text/decimal.h"

#include <cstdio>
#include <string_view>

namespace moorix::desktop {

namespace {

int runMode(std::string_view option, const char* value) {
    if (option == cli::translationOption) return translationMode(value);
    if (option == cli::dockerOption) return dockerMode();
    if (const auto port = parseInt64(value); option == cli::probeOption && port) return probeMode(*port);
    return 1;
}

int run(int argc, char** argv) {
    const std::string_view role = argc > 2 ? argv[1] : "";
    if (role == cli::modeRole) {
        setCommandPath(argv[2]);
        const int status = runMode(argc > 3 ? argv[3] : "", argc > 4 ? argv[4] : "");
        std::fflush(stdout);
        return status;
    }
    if (role == cli::appRole) {
        // The application sees the command's own arguments, with the command as their program.
        setCommandPath(argv[2]);
        return runMenuBarApp(argc - 2, argv + 2);
    }
    return runMenuBarApp(argc, argv);
}

} // namespace

} // namespace moorix::desktop

int main(int argc, char** argv) {
    try {
        return moorix::desktop::run(argc, argv);
    } catch (...) {
        std::fputs("moorix: the desktop program failed\n", stderr);
        return 1;
    }
}
