#pragma once

#include <cstdint>
#include <vector>

// The command-line modes. Each prints its lines to standard output and returns the exit status.
namespace moorix::cli {

int helpMode();
int versionMode();
int listMode();
int tableMode();
// Port by port in the order given, each as if it were the only one.
int killMode(const std::vector<std::int64_t>& ports);
int killTreeMode(const std::vector<std::int64_t>& ports);
int restartMode(std::int64_t port);
int argvMode(std::int32_t pid);
int historyMode();
int insightsMode();
// Prints each port event as it happens, and with `all` an opening for each port already open first;
// returns 0 when interrupted or when its output closes.
int watchMode(bool all);
// 0 as soon as every port listens (with `untilFree`, none does); 1 after `seconds` with a line on stderr.
int waitMode(const std::vector<std::int64_t>& ports, double seconds, bool untilFree);

} // namespace moorix::cli
