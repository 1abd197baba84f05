#include "app/cli/desktop_program.h"

#include "core/platform/platform.h"
#include "core/text/build_tree.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace moorix::cli {

namespace {

// Replaces this process with the desktop program, given the role, this command's own path (where the
// desktop program finds its texts and what it registers to start at login) and `rest`.
int become(std::string_view role, const std::vector<std::string>& rest) {
    const std::string self = platform::executablePath();
    std::string failure = "not found";
    for (const auto& candidate : programCandidates(self)) {
        // The error_code form: a folder on the way that cannot be searched only means no program there.
        std::error_code error;
        if (!std::filesystem::exists(candidate, error)) continue;
        std::vector<std::string> arguments{candidate.string(), std::string(role), self};
        arguments.insert(arguments.end(), rest.begin(), rest.end());
        std::vector<char*> argv;
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        std::fflush(stdout);
        ::execv(argv[0], argv.data());
        failure = std::strerror(errno);
    }
    std::fprintf(stderr, "moorix: cannot start %s: %s\n", MOORIX_DESKTOP_PROGRAM, failure.c_str());
    return 1;
}

} // namespace

std::vector<std::filesystem::path> programCandidates(const std::filesystem::path& executable) {
    // Without a known place of its own the command looks nowhere: a relative path would be relative to
    // whatever folder it was started in.
    if (!executable.is_absolute()) return {};
    const std::filesystem::path folder = executable.parent_path();
    std::vector<std::filesystem::path> candidates{
        folder / MOORIX_DESKTOP_PROGRAM,
        (folder / "../lib/moorix" / MOORIX_DESKTOP_PROGRAM).lexically_normal()};
    if (insideBuildTree(executable, MOORIX_BUILD_FOLDER))
        candidates.emplace_back(MOORIX_DESKTOP_PROGRAM_BUILD_PATH);
    return candidates;
}

int startDesktopMode(std::string_view option, const std::string& value) {
    return become(modeRole, {std::string(option), value});
}

int startMenuBarApp(int argc, char** argv) {
    return become(appRole, std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
}

} // namespace moorix::cli
