// The desktop program: the menu-bar application and the command-line modes that need Qt or HTTP. The
// `moorix` command starts it in its own place as
//   moorix-desktop --mode COMMAND_PATH OPTION VALUE
//   moorix-desktop --app COMMAND_PATH [the command's arguments]
// Started directly, without a role, it runs the application.
#include "app/cli/modes.h"
#include "app/shell/moorix_app.h"
#include "core/platform/command_path.h"
#include "core/text/decimal.h"

#include <cstdio>
#include <string_view>

namespace {

int runMode(std::string_view option, const char* value) {
    if (option == "--t") return moorix::cli::translationMode(value);
    if (option == "--docker") return moorix::cli::dockerMode();
    if (const auto port = moorix::parseInt64(value); option == "--probe" && port)
        return moorix::cli::probeMode(*port);
    return 1;
}

int run(int argc, char** argv) {
    const std::string_view role = argc > 2 ? argv[1] : "";
    if (role == "--mode") {
        moorix::setCommandPath(argv[2]);
        const int status = runMode(argc > 3 ? argv[3] : "", argc > 4 ? argv[4] : "");
        std::fflush(stdout);
        return status;
    }
    if (role == "--app") {
        // The application sees the command's own arguments, with the command as their program.
        moorix::setCommandPath(argv[2]);
        return moorix::runMenuBarApp(argc - 2, argv + 2);
    }
    return moorix::runMenuBarApp(argc, argv);
}

} // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (...) {
        std::fputs("moorix: the desktop program failed\n", stderr);
        return 1;
    }
}
