#pragma once

#include <optional>
#include <string>
#include <vector>

namespace moorix {

// Starts `path` with `args` in a session of its own, in `cwd` when given (not at all when that folder
// cannot be entered), standard output and error to /dev/null, standard input inherited, default signal
// handling. Does not wait for it; a background waiter reaps it when it ends, so no zombie is left
// in a long-running program.
// False when it could not be started.
bool launchDetached(const std::string& path, const std::vector<std::string>& args,
                    const std::optional<std::string>& cwd);

} // namespace moorix
