#include "core/platform/detached_launch.h"

#include "core/platform/spawn_argv.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <system_error>
#include <thread>

extern char** environ;

namespace moorix {

namespace {

void reap(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

} // namespace

bool launchDetached(const std::string& path, const std::vector<std::string>& args,
                    const std::optional<std::string>& cwd) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (cwd) posix_spawn_file_actions_addchdir_np(&actions, cwd->c_str());
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    sigset_t none, all;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    // Signals this program ignores (a broken pipe, for one) must not stay ignored in the server.
    sigfillset(&all);
    posix_spawnattr_setsigdefault(&attributes, &all);

    std::vector<char*> argv = spawnArgv(path, args);

    pid_t child = -1;
    const int spawned = ::posix_spawn(&child, path.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) return false;

    // The child stays ours until it ends; one small thread per launch waits for it.
    try {
        std::thread(reap, child).detach();
    } catch (const std::system_error&) {
        // Without a thread the server is left unreaped when it ends: better than a caller that never returns.
    }
    return true;
}

} // namespace moorix
