#pragma once

#include <cstdint>
#include <string>

// The command-line modes. Each prints its lines to standard output and returns the exit status.
namespace moorix::cli {

int helpMode();
int versionMode();
int listMode();
int tableMode();
int killMode(std::int64_t port);
int killTreeMode(std::int64_t port);
int restartMode(std::int64_t port);
int argvMode(std::int32_t pid);
int probeMode(std::int64_t port);
int translationMode(const std::string& key);
int dockerMode();
int historyMode();
int insightsMode();

} // namespace moorix::cli
