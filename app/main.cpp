#include "app/cli/command_line.h"
#include "app/cli/desktop_program.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv, argv + argc);
    if (auto status = moorix::cli::runCommandLine(arguments)) {
        std::fflush(stdout);
        return *status;
    }
    return moorix::cli::startMenuBarApp(argc, argv);
}
