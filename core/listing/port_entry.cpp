#include "core/listing/port_entry.h"

#include "core/platform/platform.h"
#include "core/text/json_text.h"

namespace moorix {

namespace {

bool isServiceAccount(const std::string& user) {
    return user == "root" || (!user.empty() && user.front() == '_');
}

// The entry as one JSON object, written straight to text: "--list" is a hot path, and building a tree of
// JSON values per entry only to print it was a good part of its user time.
bool appendEntry(std::string& out, const PortEntry& entry) {
    const auto text = [&](const char* key, std::string_view value) {
        out += key;
        return appendJsonString(out, value);
    };
    const auto number = [&](const char* key, std::int64_t value) {
        out += key;
        out += std::to_string(value);
    };
    number("{\"port\":", entry.port);
    if (!text(",\"address\":", entry.address)) return false;
    number(",\"pid\":", entry.pid);
    if (!text(",\"command\":", entry.command) || !text(",\"user\":", entry.user)) return false;
    out += ",\"parentChain\":[";
    for (std::size_t i = 0; i < entry.parentChain.size(); ++i) {
        if (i > 0) out += ',';
        if (!appendJsonString(out, entry.parentChain[i])) return false;
    }
    out += ']';
    number(",\"rootPid\":", entry.rootPid);
    if (entry.cwd && !text(",\"cwd\":", *entry.cwd)) return false;
    if (entry.project && !text(",\"project\":", *entry.project)) return false;
    out += '}';
    return true;
}

} // namespace

bool isDevPort(std::int64_t port) { return port >= 1024 && port <= 9999; }

const std::set<std::string, std::less<>>& systemCommands() {
    static const std::set<std::string, std::less<>> names{
        "ControlCenter", "AirPlayXPCHelper", "sharingd",          "rapportd",
        "remoted",       "mDNSResponder",    "launchd",           "bluetoothd",
        "coreaudiod",    "WindowServer",     "identityservicesd", "apsd",
        "searchpartyd"};
    return names;
}

std::string PortEntry::id() const { return std::to_string(pid) + ":" + std::to_string(port); }

std::string PortEntry::chainText() const {
    std::string text = command;
    for (const auto& name : parentChain) text += " \u2190 " + name;
    return text;
}

bool PortEntry::isDev() const { return isDevPort(port); }

bool PortEntry::isSystemCritical() const {
    return systemCommands().contains(command) || isServiceAccount(user);
}

std::string PortEntry::owner() const { return parentChain.empty() ? command : parentChain.back(); }

std::string PortEntry::url() const { return "http://localhost:" + std::to_string(port); }

bool PortEntry::isExposed() const { return address == "*" || address == "0.0.0.0" || address == "[::]"; }

bool PortEntry::canRestart() const { return !isSystemCritical() && user == platform::loginName(); }

std::string writePortList(const std::vector<PortEntry>& entries) {
    std::string text = "[";
    for (const PortEntry& entry : entries) {
        const std::size_t start = text.size();
        if (start > 1) text += ',';
        if (!appendEntry(text, entry)) text.resize(start);
    }
    text += ']';
    return text;
}

} // namespace moorix
