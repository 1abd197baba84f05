#include "core/lsof.h"

#include "core/decimal.h"
#include "core/platform/platform.h"
#include "core/text_lines.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

namespace moorix::PortCore {

namespace {

struct SocketName {
    std::string_view address;
    std::int64_t port;
};

// "127.0.0.1:5432", "[::1]:8080", "*:3000": split at the last colon so IPv6 addresses stay whole.
std::optional<SocketName> splitSocketName(std::string_view name) {
    const std::size_t colon = name.rfind(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const auto port = parseInt64(name.substr(colon + 1));
    if (!port) return std::nullopt;
    return SocketName{name.substr(0, colon), *port};
}

} // namespace

const std::vector<std::string>& socketListingArgs() {
    static const std::vector<std::string> args{"-F", "pcRuLPn", "-iTCP", "-sTCP:LISTEN", "-n", "-P", "+c0"};
    return args;
}

std::vector<std::int64_t> parseListeningPortNumbers(std::string_view text) {
    std::unordered_set<std::int64_t> ports;
    forEachLine(text, [&](std::string_view line) {
        if (line.front() != 'n') return;
        if (auto name = splitSocketName(line.substr(1))) ports.insert(name->port);
    });
    return {ports.begin(), ports.end()};
}

std::vector<std::int64_t> listeningPortNumbers(const ToolRunner& run) {
    return parseListeningPortNumbers(
        run(platform::lsofPath(), {"-F", "n", "-iTCP", "-sTCP:LISTEN", "-n", "-P"}, 5.0));
}

std::vector<PortEntry> parseLsof(std::string_view text, const ProcessTable& table) {
    std::vector<PortEntry> entries;
    std::unordered_set<std::string> seen;
    std::int32_t pid = 0;
    std::string command, user;
    forEachLine(text, [&](std::string_view line) {
        const std::string_view value = line.substr(1);
        switch (line.front()) {
        case 'p':
            pid = parseInt32(value).value_or(0);
            command.clear();
            user.clear();
            break;
        case 'c':
            command = value;
            break;
        case 'L':
            user = value;
            break;
        case 'n': {
            const auto name = splitSocketName(value);
            if (!name) break;
            if (!seen.insert(std::to_string(pid) + ":" + std::to_string(name->port)).second) break;
            Ancestry origin = ancestry(pid, table);
            entries.push_back(PortEntry{name->port, std::string(name->address), pid, command, user,
                                        std::move(origin.chain), origin.rootPid, std::nullopt, std::nullopt});
            break;
        }
        default:
            break;
        }
    });
    std::stable_sort(entries.begin(), entries.end(), [](const PortEntry& a, const PortEntry& b) {
        return a.port != b.port ? a.port < b.port : a.pid < b.pid;
    });
    return entries;
}

} // namespace moorix::PortCore
