#include "core/port_entry.h"

#include "core/json_text.h"
#include "core/platform/platform.h"

namespace moorix {

namespace {

bool isServiceAccount(const std::string& user) {
    return user == "root" || (!user.empty() && user.front() == '_');
}

// The entry as toJson has it, written straight to text: "--list" is a hot path, and building a tree of
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
        "ControlCenter", "AirPlayXPCHelper", "sharingd",     "rapportd",          "remoted",
        "mDNSResponder", "launchd",          "bluetoothd",   "coreaudiod",        "WindowServer",
        "identityservicesd", "apsd",         "searchpartyd"};
    return names;
}

std::string PortEntry::id() const { return std::to_string(pid) + ":" + std::to_string(port); }

std::string PortEntry::chainText() const {
    std::string text = command;
    for (const auto& name : parentChain) text += " \u2190 " + name;
    return text;
}

bool PortEntry::isDev() const { return isDevPort(port); }

bool PortEntry::isSystemCritical() const { return systemCommands().contains(command) || isServiceAccount(user); }

std::string PortEntry::owner() const { return parentChain.empty() ? command : parentChain.back(); }

std::string PortEntry::url() const { return "http://localhost:" + std::to_string(port); }

bool PortEntry::isExposed() const { return address == "*" || address == "0.0.0.0" || address == "[::]"; }

bool PortEntry::canRestart() const {
    return !isSystemCritical() && user == platform::loginName();
}

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

std::optional<PortEntry> portEntryFromJson(const nlohmann::json& value) {
    if (!value.is_object()) return std::nullopt;
    auto integer = [&](const char* key) -> const nlohmann::json* {
        auto it = value.find(key);
        return it != value.end() && it->is_number_integer() ? &*it : nullptr;
    };
    auto text = [&](const char* key) -> const nlohmann::json* {
        auto it = value.find(key);
        return it != value.end() && it->is_string() ? &*it : nullptr;
    };
    auto optionalText = [&](const char* key, std::optional<std::string>& out) {
        auto it = value.find(key);
        if (it == value.end() || it->is_null()) return true;
        if (!it->is_string()) return false;
        out = it->get<std::string>();
        return true;
    };
    const auto *port = integer("port"), *pid = integer("pid"), *rootPid = integer("rootPid");
    const auto *address = text("address"), *command = text("command"), *user = text("user");
    auto chain = value.find("parentChain");
    if (!port || !pid || !rootPid || !address || !command || !user || chain == value.end() || !chain->is_array())
        return std::nullopt;
    PortEntry entry;
    try {
        entry.port = port->get<std::int64_t>();
        const auto pidValue = pid->get<std::int64_t>(), rootValue = rootPid->get<std::int64_t>();
        if (pidValue != static_cast<std::int32_t>(pidValue) || rootValue != static_cast<std::int32_t>(rootValue))
            return std::nullopt;
        entry.pid = static_cast<std::int32_t>(pidValue);
        entry.rootPid = static_cast<std::int32_t>(rootValue);
        entry.address = address->get<std::string>();
        entry.command = command->get<std::string>();
        entry.user = user->get<std::string>();
        for (const auto& name : *chain) {
            if (!name.is_string()) return std::nullopt;
            entry.parentChain.push_back(name.get<std::string>());
        }
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
    if (!optionalText("cwd", entry.cwd) || !optionalText("project", entry.project)) return std::nullopt;
    return entry;
}

} // namespace moorix
