#include "core/control/process_control.h"

#include "core/control/process_inspection.h"
#include "core/listing/process_table.h"
#include "core/platform/detached_launch.h"
#include "core/platform/platform.h"

#include <signal.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace moorix::PortCore {

namespace {

// SIGTERM, up to twenty existence tests 100 ms apart, then SIGKILL for a process that is still there.
void terminateThenKill(std::int32_t pid, const SignalSender& send) {
    if (pid < 2) return;
    send(pid, SIGTERM);
    for (int check = 0; check < graceChecks; ++check) {
        ::usleep(graceCheckMicroseconds);
        if (send(pid, 0) != 0) return;
    }
    send(pid, SIGKILL);
}

} // namespace

int sendSignal(std::int32_t pid, int signal) {
    // 0 is our own process group and negative ids are whole groups or every process: never.
    if (pid < 2) return -1;
    return ::kill(pid, signal);
}

void killProcess(std::int32_t pid, bool force, KillNotes& notes, const SignalSender& send) {
    if (pid < 2) return;
    notes.note(pid);
    if (force) {
        send(pid, SIGKILL);
        return;
    }
    terminateThenKill(pid, send);
}

void killTree(std::int32_t leaf, KillNotes& notes, const ToolRunner& run, const SignalSender& send) {
    const std::int32_t root = topDevAncestor(leaf, processTable(run));
    if (root < 2) return;
    notes.note(root);
    terminateThenKill(root, send);
}

void restartTree(std::int32_t leaf, KillNotes& notes, const ToolRunner& run, const SignalSender& send) {
    const std::int32_t root = topDevAncestor(leaf, processTable(run));
    // Without a root to stop, a "restart" would only start a second copy of whatever pid 1 or 0 runs.
    if (root < 2) return;
    const auto owner = uid(root);
    if (!owner || *owner != ::getuid()) return;
    const auto arguments = argv(root);
    if (!arguments || arguments->empty()) return;
    // Read while the process still exists.
    const auto cwds = platform::workingDirectories({root}, run);
    std::optional<std::string> cwd;
    if (auto found = cwds.find(root); found != cwds.end()) cwd = found->second;

    notes.note(root);
    terminateThenKill(root, send);

    // The saved arguments are positional parameters of a fixed command text, never text for the shell
    // to parse, so quotes, "$(...)" or ";" in them reach the program unchanged.
    std::vector<std::string> shellArgs{"-lc", "exec \"$@\"", "zsh"};
    shellArgs.insert(shellArgs.end(), arguments->begin(), arguments->end());
    launchDetached(platform::loginShell(), shellArgs, cwd);
}

bool processExists(std::int32_t pid) { return pid >= 1 && ::kill(pid, 0) == 0; }

} // namespace moorix::PortCore
