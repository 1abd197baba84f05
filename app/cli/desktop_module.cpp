#include "app/cli/desktop_module.h"

#include "core/build_tree.h"
#include "core/platform/platform.h"

#include <dlfcn.h>

#include <cstdio>

namespace moorix::desktop {

namespace {

using ModeEntry = int (*)(const char* option, const char* value);
using AppEntry = int (*)(int argc, char** argv);

void* openModule() {
    static void* const module = [] {
        std::string failure;
        for (const auto& candidate : moduleCandidates(platform::executablePath())) {
            // The error_code form: a folder on the way that cannot be searched only means no module there.
            std::error_code error;
            if (!std::filesystem::exists(candidate, error)) continue;
            if (void* handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) return handle;
            if (const char* message = ::dlerror()) failure = message;
        }
        std::fprintf(stderr, "moorix: cannot load %s%s%s\n", MOORIX_DESKTOP_MODULE, failure.empty() ? "" : ": ",
                     failure.c_str());
        return static_cast<void*>(nullptr);
    }();
    return module;
}

template <typename Entry> Entry entry(const char* name) {
    void* module = openModule();
    return module ? reinterpret_cast<Entry>(::dlsym(module, name)) : nullptr;
}

} // namespace

std::vector<std::filesystem::path> moduleCandidates(const std::filesystem::path& executable) {
    // Without a known place of its own the program looks nowhere: a relative path would be relative to
    // whatever folder it was started in.
    if (!executable.is_absolute()) return {};
    const std::filesystem::path folder = executable.parent_path();
    std::vector<std::filesystem::path> candidates{folder / MOORIX_DESKTOP_MODULE,
                                                  folder / "../lib/moorix" / MOORIX_DESKTOP_MODULE};
    if (insideBuildTree(executable, MOORIX_BUILD_FOLDER))
        candidates.emplace_back(MOORIX_DESKTOP_MODULE_BUILD_PATH);
    return candidates;
}

int runMode(std::string_view option, const std::string& value) {
    const auto run = entry<ModeEntry>("moorix_desktop_mode");
    return run ? run(std::string(option).c_str(), value.c_str()) : 1;
}

int runMenuBarApp(int argc, char** argv) {
    const auto run = entry<AppEntry>("moorix_menu_bar_app");
    return run ? run(argc, argv) : 1;
}

} // namespace moorix::desktop
