#pragma once

#include <optional>
#include <string>
#include <vector>

namespace moorix::cli {

// Runs the first command-line mode whose option applies and returns its exit status;
// absent when no option applies and the application should start instead.
std::optional<int> runCommandLine(const std::vector<std::string>& arguments);

} // namespace moorix::cli
