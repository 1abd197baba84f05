#include "core/lsof.h"

#include "core/decimal.h"
#include "core/platform/platform.h"
#include "core/text_lines.h"
#include "core/utf8.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace moorix::PortCore {

namespace {

constexpr std::string_view fullFields = "pcRuLPn", portFields = "n";

struct SocketName {
    std::string_view address;
    std::int64_t port;
};

// "127.0.0.1:5432", "[::1]:8080", "*:3000": split at the last colon so IPv6 addresses stay whole.
std::optional<SocketName> splitSocketName(std::string_view name) {
    const std::size_t colon = name.rfind(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const auto port = parseInt64(name.substr(colon + 1));
    if (!port || *port < 0 || *port > 65535) return std::nullopt;
    return SocketName{name.substr(0, colon), *port};
}

} // namespace

const std::vector<std::string>& socketListingArgs() {
    static const std::vector<std::string> args{"-F", std::string(fullFields), "-iTCP", "-sTCP:LISTEN",
                                               "-n", "-P", "+c0"};
    return args;
}

std::optional<std::string> socketListingText(const ToolRun& run, std::string_view fields) {
    if (!run.finished || (run.exitStatus != 0 && run.exitStatus != 1)) return std::nullopt;
    std::string text = repairUtf8(run.output);
    bool fieldsOnly = true;
    forEachLine(text, [&](std::string_view line) {
        const char tag = line.front();
        fieldsOnly = fieldsOnly && (tag == 'p' || tag == 'f' || fields.find(tag) != std::string_view::npos);
    });
    if (!fieldsOnly) return std::nullopt;
    return text;
}

std::optional<std::string> fullSocketListing(const ToolRunner& run) {
    return socketListingText(run(platform::lsofPath(), socketListingArgs(), 5.0), fullFields);
}

std::vector<std::int64_t> parseListeningPortNumbers(std::string_view text) {
    std::unordered_set<std::int64_t> ports;
    forEachLine(text, [&](std::string_view line) {
        if (line.front() != 'n') return;
        if (auto name = splitSocketName(line.substr(1))) ports.insert(name->port);
    });
    return {ports.begin(), ports.end()};
}

std::optional<std::vector<std::int64_t>> listeningPortNumbers(const ToolRunner& run) {
    const auto text = socketListingText(
        run(platform::lsofPath(), {"-F", std::string(portFields), "-iTCP", "-sTCP:LISTEN", "-n", "-P"}, 5.0),
        portFields);
    if (!text) return std::nullopt;
    return parseListeningPortNumbers(*text);
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
        // Unsigned: the multiplication is meant to wrap.
        return std::hash<std::uint64_t>{}(static_cast<std::uint64_t>(key.port) * 2654435761u ^
                                          static_cast<std::uint32_t>(key.pid));
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
