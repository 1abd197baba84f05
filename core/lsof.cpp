#include "core/lsof.h"

#include "core/decimal.h"
#include "core/platform/platform.h"
#include "core/text_lines.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
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

namespace {

// The same key as PortEntry::id, kept as numbers so that ten thousand sockets parse cheaply.
struct SocketKey {
    std::int32_t pid;
    std::int64_t port;
    bool operator==(const SocketKey&) const = default;
};

struct SocketKeyHash {
    std::size_t operator()(const SocketKey& key) const {
        return std::hash<std::int64_t>{}(key.port * 2654435761 ^ key.pid);
    }
};

} // namespace

std::vector<PortEntry> parseLsof(std::string_view text, const ProcessTable& table) {
    std::vector<PortEntry> entries;
    std::unordered_set<SocketKey, SocketKeyHash> seen;
    std::unordered_map<std::int32_t, Ancestry> origins; // one walk per process, not per socket
    std::size_t names = text.starts_with('n') ? 1 : 0;
    for (std::size_t at = text.find("\nn"); at != std::string_view::npos; at = text.find("\nn", at + 2)) ++names;
    entries.reserve(names);
    seen.reserve(names);
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
            if (!seen.insert(SocketKey{pid, name->port}).second) break;
            auto origin = origins.find(pid);
            if (origin == origins.end()) origin = origins.emplace(pid, ancestry(pid, table)).first;
            entries.push_back(PortEntry{name->port, std::string(name->address), pid, command, user,
                                        origin->second.chain, origin->second.rootPid, std::nullopt, std::nullopt});
            break;
        }
        default:
            break;
        }
    });
    // Sort positions rather than the records themselves: each record then moves once.
    std::vector<std::size_t> order(entries.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const PortEntry &left = entries[a], &right = entries[b];
        return left.port != right.port ? left.port < right.port : left.pid < right.pid;
    });
    std::vector<PortEntry> sorted;
    sorted.reserve(entries.size());
    for (std::size_t i : order) sorted.push_back(std::move(entries[i]));
    return sorted;
}

} // namespace moorix::PortCore
