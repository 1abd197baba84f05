#pragma once

#include <functional>
#include <string>
#include <vector>

namespace moorix::PortCore {

// What one run of a tool gave.
struct ToolRun {
    // Standard output as the tool wrote it; empty when the tool never closed it, even after SIGKILL.
    std::string output;
    // The tool started, closed its output and exited of its own accord within its time limit. A run that
    // could not start, was stopped at its limit or was killed by a signal did not finish, and what it
    // printed says nothing about what it was asked.
    bool finished = false;
    // The exit status of a finished run.
    int exitStatus = -1;

    // The output as UTF-8 text; empty when it is not valid UTF-8.
    std::string text() const;
};

// Runs the executable at `path` (never searched on PATH) with `args`, no shell, stderr discarded. A tool
// past `timeoutSeconds` gets SIGTERM, one more second to finish, then SIGKILL, so a hung tool never
// hangs the caller. Failure never throws.
ToolRun runToolWithStatus(const std::string& path, const std::vector<std::string>& args,
                          double timeoutSeconds);

// The same for callers that only want the text: any failure gives empty text.
std::string runTool(const std::string& path, const std::vector<std::string>& args, double timeoutSeconds);

// The runner as a value, so that callers can be handed a fake one in tests.
using ToolRunner = std::function<ToolRun(const std::string&, const std::vector<std::string>&, double)>;

} // namespace moorix::PortCore
