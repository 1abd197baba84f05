#pragma once

#include "core/platform/tool_runner.h"

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// What differs between macOS and Linux. One source file per platform implements this header.
namespace moorix::platform {

// Absolute paths of the system tools. Test builds take the socket lister from MOORIX_TEST_LSOF.
const std::string& lsofPath();
const std::string& psPath();

// Working directories of the given processes. A process that is gone, or whose directory cannot be
// read, is left out: an unreadable link is not a path.
std::unordered_map<std::int32_t, std::string> workingDirectories(const std::vector<std::int32_t>& pids,
                                                                 const PortCore::ToolRunner& run);

// Login name of the real user running this program; empty when it has none.
const std::string& loginName();

// The argument vector of a process, program name first, empty arguments kept; absent when the process
// is gone or belongs to another user and this program is not root (the kernel's rule on macOS).
std::optional<std::vector<std::string>> processArguments(std::int32_t pid);

// The numeric (effective) owner of a process; absent when there is no such process.
std::optional<std::uint32_t> processOwner(std::int32_t pid);

// When a process started, in the platform's own units: together with the pid it names one process,
// so a pid reused by another process is told apart. Absent when there is no such process.
std::optional<std::uint64_t> processStartTime(std::int32_t pid);

// The shell that restarts a development tree as a login shell, so that the user's search path applies.
const std::string& loginShell();

// Where a Docker client may be installed, in order of preference.
const std::vector<std::string>& dockerCandidates();

// Absolute path of the running executable with every symbolic link resolved; empty when unknown.
std::string executablePath();

// A pipe whose two ends programs started later do not inherit; false when none can be made.
bool makePipe(int ends[2]);

// A file's modification and status-change times, to the nanosecond.
struct FileTimes {
    std::int64_t modifiedNanoseconds = 0;
    std::int64_t changedNanoseconds = 0;
    bool operator==(const FileTimes&) const = default;
};
FileTimes fileTimes(const struct stat& status);

// Seconds on a monotonic clock that keeps counting while the machine sleeps.
double continuousSeconds();

// The folder "Moorix" in the user's application-data directory, worked out from the environment on each
// call and not created here.
std::string appDataDir();

} // namespace moorix::platform
