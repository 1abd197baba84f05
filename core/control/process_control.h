#pragma once

#include "core/history/kill_notes.h"
#include "core/platform/tool_runner.h"

#include <cstdint>
#include <functional>

// Stopping and restarting servers with signals. Pids below 2 are never signalled. Each action notes
// the pid it is about to signal in `notes` first, so that the closing port is attributed to this program.
namespace moorix::PortCore {

inline constexpr int graceChecks = 20;
inline constexpr int graceCheckMicroseconds = 100000;

// kill(2) as the actions use it: refuses (-1) any pid below 2, whatever the signal.
int sendSignal(std::int32_t pid, int signal);

// The signal sender as a value, so that tests can watch the actions without signalling anything.
using SignalSender = std::function<int(std::int32_t pid, int signal)>;

// SIGKILL at once with `force`; otherwise SIGTERM, then SIGKILL when the process still exists about
// two seconds later.
void killProcess(std::int32_t pid, bool force, KillNotes& notes, const SignalSender& send = sendSignal);

// Stops the outermost development tool above `leaf` (or `leaf` itself when its parent is none).
// The processes below that root get no signal from here.
void killTree(std::int32_t leaf, KillNotes& notes, const ToolRunner& run = runToolWithStatus,
              const SignalSender& send = sendSignal);

// Stops that root and starts its saved argument vector again through a login shell, in its saved
// working directory. Does nothing for another user's process or when the arguments cannot be read.
void restartTree(std::int32_t leaf, KillNotes& notes, const ToolRunner& run = runToolWithStatus,
                 const SignalSender& send = sendSignal);

// Whether a process with this pid exists and may be signalled by this user (signal 0 succeeds).
bool processExists(std::int32_t pid);

} // namespace moorix::PortCore
