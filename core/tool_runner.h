#pragma once

#include <functional>
#include <string>
#include <vector>

namespace moorix::PortCore {

// Runs the executable at `path` (never searched on PATH) with `args`, no shell, stderr discarded,
// and returns its standard output as UTF-8 text. Any failure (not startable, non-UTF-8 output, still
// running after `timeoutSeconds`) gives empty text. A tool past its limit gets SIGTERM, one more second
// to finish, then SIGKILL, so a hung tool never hangs the caller.
std::string runTool(const std::string& path, const std::vector<std::string>& args, double timeoutSeconds);

// The runner as a value, so that callers can be handed a fake one in tests.
using ToolRunner = std::function<std::string(const std::string&, const std::vector<std::string>&, double)>;

} // namespace moorix::PortCore
