#pragma once

#include <string>
#include <vector>

namespace moorix {

// The NUL-terminated argument vector posix_spawn takes: the program path, then `args`. The pointers
// stay valid while `path` and `args` do.
inline std::vector<char*> spawnArgv(const std::string& path, const std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.reserve(args.size() + 2);
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    return argv;
}

} // namespace moorix
