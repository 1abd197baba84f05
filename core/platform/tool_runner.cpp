#include "core/platform/tool_runner.h"

#include "core/platform/platform.h"
#include "core/platform/spawn_argv.h"
#include "core/text/utf8.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

extern char** environ;

namespace moorix::PortCore {

namespace {

using Clock = std::chrono::steady_clock;

// Reads `fd` until end of file or `deadline`; true when end of file was reached.
bool readUntil(int fd, std::string& out, Clock::time_point deadline) {
    char buffer[65536];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        pollfd pfd{fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            out.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            return true;
        } else if (errno != EINTR && errno != EAGAIN) {
            return true;
        }
    }
}

// Waits for the child to end without reaping it, so that its pid stays reserved for the group signals.
bool exitedBefore(pid_t child, Clock::time_point deadline) {
    // A tool usually exits right after closing its output: look again soon, then less often.
    auto pause = std::chrono::microseconds(50);
    for (;;) {
        siginfo_t info{};
        const int r = ::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT);
        if ((r == 0 && info.si_pid == child) || (r < 0 && errno != EINTR)) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(5000));
    }
}

// The child's wait status.
int reapBlocking(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// The child leads its own process group, so helpers it started are stopped with it.
void signalGroup(pid_t child, int signal) {
    if (child > 1) ::kill(-child, signal);
}

} // namespace

std::string ToolRun::text() const { return isValidUtf8(output) ? output : std::string(); }

ToolRun runToolWithStatus(const std::string& path, const std::vector<std::string>& args,
                          double timeoutSeconds) {
    int fds[2];
    if (!platform::makePipe(fds)) return {};

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t none, defaults;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attributes, &defaults);

    std::vector<char*> argv = spawnArgv(path, args);

    pid_t child = -1;
    const int spawned = ::posix_spawn(&child, path.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(fds[1]);
    if (spawned != 0) {
        ::close(fds[0]);
        return {};
    }

    const auto limit = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(timeoutSeconds > 0 ? timeoutSeconds : 0));
    const auto deadline = Clock::now() + limit;
    const auto grace = std::chrono::seconds(1);

    ToolRun run;
    bool stopped = false;
    bool complete = readUntil(fds[0], run.output, deadline);
    if (!complete) {
        stopped = true;
        signalGroup(child, SIGTERM);
        complete = readUntil(fds[0], run.output, Clock::now() + grace);
        if (!complete) signalGroup(child, SIGKILL);
    }
    // A tool that closed its output but keeps running is bounded the same way.
    if (complete && !exitedBefore(child, std::max(deadline, Clock::now()))) {
        stopped = true;
        signalGroup(child, SIGTERM);
        if (!exitedBefore(child, Clock::now() + grace)) signalGroup(child, SIGKILL);
    }
    const int status = reapBlocking(child);
    ::close(fds[0]);

    if (!complete) run.output.clear();
    run.finished = complete && !stopped && WIFEXITED(status);
    if (run.finished) run.exitStatus = WEXITSTATUS(status);
    return run;
}

std::string runTool(const std::string& path, const std::vector<std::string>& args, double timeoutSeconds) {
    return runToolWithStatus(path, args, timeoutSeconds).text();
}

} // namespace moorix::PortCore
