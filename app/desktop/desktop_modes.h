#pragma once

#include <cstdint>
#include <string>

// The command-line modes that need the GUI toolkit or the HTTP client, run by the desktop program. Each
// prints its lines to standard output and returns the exit status.
namespace moorix::desktop {

int probeMode(std::int64_t port);
int translationMode(const std::string& key);
int dockerMode();

} // namespace moorix::desktop
