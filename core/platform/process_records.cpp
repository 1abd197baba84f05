#include "core/platform/process_records.h"

#include "core/platform/process_info.h"
#include "core/text/decimal.h"
#include "core/text/text_lines.h"
#include "core/text/utf8.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace moorix::PortCore {

std::optional<std::vector<std::string>> parseArgumentArea(std::string_view area) {
    std::int32_t argc = 0;
    if (area.size() < sizeof argc + 1) return std::nullopt;
    std::memcpy(&argc, area.data(), sizeof argc);
    if (argc < 1) return std::nullopt;
    std::size_t at = sizeof argc;
    at = std::min(area.find('\0', at), area.size());
    while (at < area.size() && area[at] == '\0') ++at;

    std::vector<std::string> arguments;
    while (arguments.size() < static_cast<std::size_t>(argc) && at < area.size()) {
        const std::size_t end = std::min(area.find('\0', at), area.size());
        arguments.push_back(repairUtf8(area.substr(at, end - at)));
        at = end + 1;
    }
    if (arguments.size() != static_cast<std::size_t>(argc)) return std::nullopt;
    return arguments;
}

std::optional<std::vector<std::string>> parseCmdline(std::string_view bytes) {
    if (bytes.empty()) return std::nullopt;
    // The kernel ends every argument with a NUL; a process that rewrote its arguments may not.
    if (bytes.back() == '\0') bytes.remove_suffix(1);
    std::vector<std::string> arguments;
    for (;;) {
        const std::size_t end = bytes.find('\0');
        arguments.push_back(repairUtf8(bytes.substr(0, end)));
        if (end == std::string_view::npos) break;
        bytes.remove_prefix(end + 1);
    }
    return arguments;
}

std::optional<std::uint32_t> parseStatusEffectiveUid(std::string_view status) {
    std::optional<std::uint32_t> uid;
    forEachLine(status, [&](std::string_view line) {
        constexpr std::string_view key = "Uid:";
        if (uid || !line.starts_with(key)) return;
        line.remove_prefix(key.size());
        // Real, effective, saved and file-system uid, separated by tabs.
        std::string_view fields[2];
        for (auto& field : fields) {
            const std::size_t start = line.find_first_not_of(" \t");
            if (start == std::string_view::npos) return;
            line.remove_prefix(start);
            field = line.substr(0, line.find_first_of(" \t"));
            line.remove_prefix(field.size());
        }
        const auto value = parseInt64(fields[1]);
        if (value && *value >= 0 && *value <= std::numeric_limits<std::uint32_t>::max())
            uid = static_cast<std::uint32_t>(*value);
    });
    return uid;
}

std::optional<StatRecord> parseStat(std::string_view stat) {
    const std::size_t open = stat.find('(');
    const std::size_t close = stat.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return std::nullopt;
    // Counted from the state, the first field after the name: ppid 2nd, utime 12th, stime 13th, start 20th.
    constexpr std::size_t ppidAt = 1, utimeAt = 11, stimeAt = 12, startAt = 19;
    std::string_view fields[startAt + 1];
    std::string_view rest = stat.substr(close + 1);
    for (auto& field : fields) {
        const std::size_t start = rest.find_first_not_of(' ');
        if (start == std::string_view::npos) return std::nullopt;
        rest.remove_prefix(start);
        field = rest.substr(0, rest.find_first_of(" \n"));
        rest.remove_prefix(field.size());
    }
    const auto ppid = parseInt32(fields[ppidAt]);
    const auto utime = parseInt64(fields[utimeAt]);
    const auto stime = parseInt64(fields[stimeAt]);
    const auto start = parseInt64(fields[startAt]);
    if (!ppid || !utime || !stime || !start || *utime < 0 || *stime < 0 || *start < 0) return std::nullopt;
    return StatRecord{std::string(stat.substr(open + 1, close - open - 1)), *ppid,
                      static_cast<std::uint64_t>(*utime) + static_cast<std::uint64_t>(*stime),
                      static_cast<std::uint64_t>(*start)};
}

std::optional<std::uint64_t> parseStatmResidentPages(std::string_view statm) {
    const std::size_t space = statm.find(' ');
    if (space == std::string_view::npos) return std::nullopt;
    statm.remove_prefix(space + 1);
    const auto pages = parseInt64(statm.substr(0, statm.find_first_of(" \n")));
    if (!pages || *pages < 0) return std::nullopt;
    return static_cast<std::uint64_t>(*pages);
}

std::optional<double> parseUptime(std::string_view uptime) {
    uptime = uptime.substr(0, uptime.find_first_of(" \n"));
    if (uptime.empty() || uptime.find_first_not_of("0123456789.") != std::string_view::npos)
        return std::nullopt;
    double seconds = 0;
    auto [end, ec] = std::from_chars(uptime.data(), uptime.data() + uptime.size(), seconds);
    if (ec != std::errc{} || end != uptime.data() + uptime.size() || !std::isfinite(seconds))
        return std::nullopt;
    return seconds;
}

std::optional<std::uint64_t> parseSocketLink(std::string_view link) {
    constexpr std::string_view head = "socket:[";
    if (!link.starts_with(head) || !link.ends_with(']')) return std::nullopt;
    link = link.substr(head.size(), link.size() - head.size() - 1);
    if (link.empty() || link.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
    std::uint64_t inode = 0;
    auto [end, ec] = std::from_chars(link.data(), link.data() + link.size(), inode);
    if (ec != std::errc{} || end != link.data() + link.size()) return std::nullopt;
    return inode;
}

std::string fullProcessName(std::string_view comm, std::size_t cutLength,
                            const std::vector<std::string_view>& candidates) {
    if (comm.size() != cutLength) return std::string(comm);
    for (std::string_view candidate : candidates) {
        // The executable's link of a program whose file was replaced, as an upgrade does.
        constexpr std::string_view deleted = " (deleted)";
        if (candidate.ends_with(deleted)) candidate.remove_suffix(deleted.size());
        std::string name = processName(candidate);
        if (name.size() > comm.size() && name.starts_with(comm)) return name;
    }
    return std::string(comm);
}

} // namespace moorix::PortCore
