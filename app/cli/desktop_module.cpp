#include "app/cli/desktop_module.h"

#include "core/platform/platform.h"

#include <dlfcn.h>

#include <cstdio>
#include <filesystem>

namespace moorix::desktop {

namespace {

using ModeEntry = int (*)(const char* option, const char* value);
using AppEntry = int (*)(int argc, char** argv);

// Beside the executable, in ../lib/moorix for an installed copy, then in the build folder.
void* openModule() {
    static void* const module = [] {
        const std::filesystem::path executable = platform::executablePath();
        const std::filesystem::path folder = executable.parent_path();
        std::string failure;
        for (const auto& candidate : {folder / MOORIX_DESKTOP_MODULE, folder / "../lib/moorix" / MOORIX_DESKTOP_MODULE,
                                      std::filesystem::path(MOORIX_DESKTOP_MODULE_BUILD_PATH)}) {
            if (!std::filesystem::exists(candidate)) continue;
            if (void* handle = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) return handle;
            if (const char* error = ::dlerror()) failure = error;
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

int runMode(std::string_view option, const std::string& value) {
    const auto run = entry<ModeEntry>("moorix_desktop_mode");
    return run ? run(std::string(option).c_str(), value.c_str()) : 1;
}

int runMenuBarApp(int argc, char** argv) {
    const auto run = entry<AppEntry>("moorix_menu_bar_app");
    return run ? run(argc, argv) : 1;
}

} // namespace moorix::desktop
