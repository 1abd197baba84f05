#pragma once

// The command-line modes. Each prints its lines to standard output and returns the exit status.
namespace moorix::cli {

int listMode();

} // namespace moorix::cli
