#pragma once

// The command-line modes. Each prints its lines to standard output and returns the exit status.
namespace moorix::cli {

int listMode();
int historyMode();
int insightsMode();

} // namespace moorix::cli
