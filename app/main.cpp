#include "app/cli/command_line.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv, argv + argc);
    if (auto status = moorix::cli::runCommandLine(arguments)) {
        std::fflush(stdout);
        return *status;
    }
    // The menu-bar application is not part of this build yet: with no mode there is nothing to do.
    return 0;
}
