#pragma once

#include <string>

// The command-line modes. Each prints its lines to standard output and returns the exit status.
namespace moorix::cli {

int listMode();
int translationMode(const std::string& key);
int dockerMode();

} // namespace moorix::cli
