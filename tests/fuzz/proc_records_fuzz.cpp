// A process's records: Linux /proc/PID/cmdline, status, stat, statm, /proc/uptime and descriptor links, the
// completion of a name the kernel cut, and the macOS argument area (KERN_PROCARGS2).
#include "core/platform/process_records.h"
#include "core/text/utf8.h"
#include "tests/fuzz/fuzz_input.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace moorix;
using fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzz::text(data, size);
    if (const auto arguments = PortCore::parseCmdline(input)) {
        // One argument per NUL, the kernel's final one aside.
        const auto separators = std::count(input.begin(), input.end(), '\0') - (input.back() == '\0' ? 1 : 0);
        require(static_cast<std::ptrdiff_t>(arguments->size()) == separators + 1);
        for (const auto& argument : *arguments) require(isValidUtf8(argument));
    } else {
        require(input.empty());
    }
    if (const auto arguments = PortCore::parseArgumentArea(input)) {
        std::int32_t argc = 0;
        std::memcpy(&argc, data, sizeof argc);
        require(arguments->size() == static_cast<std::size_t>(argc));
        for (const auto& argument : *arguments) require(isValidUtf8(argument));
    }
    PortCore::parseStatusEffectiveUid(input);
    if (const auto stat = PortCore::parseStat(input)) {
        require(stat->comm.size() < size);
        require(input.find(stat->comm) != std::string_view::npos);
    }
    PortCore::parseStatmResidentPages(input);
    if (const auto uptime = PortCore::parseUptime(input)) require(std::isfinite(*uptime) && *uptime >= 0);
    if (PortCore::parseSocketLink(input)) require(input.starts_with("socket:[") && input.ends_with(']'));

    // The first 15 bytes as a cut name, the rest as candidates separated by NULs.
    const std::string_view comm = input.substr(0, 15);
    std::vector<std::string_view> candidates;
    for (std::string_view rest = input.substr(comm.size()); !rest.empty();) {
        const std::size_t end = std::min(rest.find('\0'), rest.size());
        candidates.push_back(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    const std::string name = PortCore::fullProcessName(comm, 15, candidates);
    require(name.starts_with(comm));
    require(name == comm || comm.size() == 15);
    return 0;
}
