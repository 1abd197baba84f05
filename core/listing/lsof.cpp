#include "core/listing/lsof.h"

#include "core/listing/entry_collector.h"
#include "core/platform/platform.h"
#include "core/text/decimal.h"
#include "core/text/text_lines.h"
#include "core/text/utf8.h"

#include <optional>
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
    static const std::vector<std::string> args{
        "-F", std::string(fullFields), "-iTCP", "-sTCP:LISTEN", "-n", "-P", "+c0"};
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

std::optional<std::vector<std::int64_t>> listeningPortNumbersFromLsof(const ToolRunner& run) {
    const auto text = socketListingText(
        run(platform::lsofPath(), {"-F", std::string(portFields), "-iTCP", "-sTCP:LISTEN", "-n", "-P"}, 5.0),
        portFields);
    if (!text) return std::nullopt;
    return parseListeningPortNumbers(*text);
}

std::vector<PortEntry> parseLsof(std::string_view text, const ProcessTable& table) {
    EntryCollector collector(table);
    std::int32_t pid = 0;
    std::string_view command, user;
    forEachLine(text, [&](std::string_view line) {
        const std::string_view value = line.substr(1);
        switch (line.front()) {
        case 'p':
            pid = parseInt32(value).value_or(0);
            command = {};
            user = {};
            break;
        case 'c':
            command = value;
            break;
        case 'L':
            user = value;
            break;
        case 'n':
            if (const auto name = splitSocketName(value))
                collector.add(pid, command, user, name->address, name->port);
            break;
        default:
            break;
        }
    });
    return collector.take();
}

} // namespace moorix::PortCore
