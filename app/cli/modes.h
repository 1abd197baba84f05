#pragma once

#include <cstdint>
#include <vector>

namespace moorix {
class History;
class KillNotes;
} // namespace moorix

// The command-line modes. Each prints its lines to standard output and returns the exit status.
namespace moorix::cli {

int helpMode();
int versionMode();
int listMode();
int tableMode();
// Port by port in the order given, each as if it were the only one; each stop is noted in `kills`.
int killMode(const std::vector<std::int64_t>& ports, KillNotes& kills);
int killTreeMode(const std::vector<std::int64_t>& ports, KillNotes& kills);
int restartMode(std::int64_t port, KillNotes& kills);
int argvMode(std::int32_t pid);
int historyMode(History& history);
int insightsMode(History& history);
// Prints each port event as it happens, and with `all` an opening for each port already open first;
// a closing is a stop by Moorix when `kills` has its pid. Returns 0 when interrupted or when its output
// closes.
int watchMode(bool all, const KillNotes& kills);
// 0 as soon as every port listens (with `untilFree`, none does); 1 after `seconds` with a line on stderr.
int waitMode(const std::vector<std::int64_t>& ports, double seconds, bool untilFree);

} // namespace moorix::cli
