#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace moorix::cli {

// Runs the first command-line mode whose option applies and returns its exit status;
// absent when no option applies and the application should start instead.
std::optional<int> runCommandLine(const std::vector<std::string>& arguments);

// Every option the dispatch knows, in the order it tests them: what the help, the manual page and the
// shell completions must all name.
std::vector<std::string_view> optionNames();

} // namespace moorix::cli
