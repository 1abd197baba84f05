#include "app/cli/command_line.h"

#include "app/cli/desktop_program.h"
#include "app/cli/modes.h"
#include "app/cli/option_values.h"
#include "core/history/history.h"
#include "core/history/kill_notes.h"
#include "core/text/decimal.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <span>
#include <string_view>

namespace moorix::cli {

namespace {

// Ports and lists of them: one port is any number, as it always was; a list holds ports and ranges.
// Anything: the option applies whenever it is present, and its mode judges what follows.
enum class Value { None, Port, Ports, Pid, AnyText, Anything };

// What the mode of an option that applies is given: the arguments after the option's first occurrence,
// the first of which is its value, and the whole argument list.
struct Invocation {
    std::span<const std::string> after;
    std::span<const std::string> arguments;
    std::string value() const { return after.empty() ? std::string() : after.front(); }
    bool has(std::string_view option) const {
        return std::find(arguments.begin(), arguments.end(), option) != arguments.end();
    }
};

struct Option {
    std::string_view name;
    Value value;
    std::function<int(const Invocation&)> run;
};

constexpr int usageStatus = 2;
constexpr double defaultWaitSeconds = 30;

int sayUsage(const char* what, const std::string& value) {
    constexpr std::size_t shown = 60;
    std::fprintf(stderr, "moorix: %s: \"%s%s\"\n", what, value.substr(0, shown).c_str(),
                 value.size() > shown ? "..." : "");
    return usageStatus;
}

constexpr const char* notPorts =
    "not a port or a list of ports such as 3000,3001 or 5170-5175 (at most 1024)";

// A stop from the command line is noted in the log that the menu-bar application reads, so that it does
// not report the stop as a crash.
KillNotes killNotes() { return KillNotes(KillLog::defaultPath()); }

// A malformed list is an error for the whole call: nothing is acted on.
int onPorts(const Invocation& call, int (*mode)(const std::vector<std::int64_t>&, KillNotes&)) {
    const std::string value = call.value();
    KillNotes kills = killNotes();
    if (const auto port = parseInt64(value)) return mode({*port}, kills);
    const auto ports = parsePortList(value);
    return ports ? mode(*ports, kills) : sayUsage(notPorts, value);
}

// The history file the menu-bar application records.
int onHistory(int (*mode)(History&)) {
    History history(History::defaultPath());
    return mode(history);
}

// "--wait PORTS [SECONDS]": an argument after the ports that is not another option is the time limit.
int waitFor(const Invocation& call, bool untilFree) {
    const auto ports = call.after.empty() ? std::nullopt : parsePortList(call.value());
    if (!ports) return sayUsage(notPorts, call.value());
    double seconds = defaultWaitSeconds;
    if (call.after.size() > 1 && !call.after[1].starts_with("--")) {
        const auto given = parseSeconds(call.after[1]);
        if (!given) return sayUsage("not a number of seconds", call.after[1]);
        seconds = *given;
    }
    return waitMode(*ports, seconds, untilFree);
}

// Tested in this order; the first option that applies decides the mode.
const std::vector<Option>& optionTable() {
    static const std::vector<Option> table{
        {"--help", Value::None, [](const Invocation&) { return helpMode(); }},
        {"--version", Value::None, [](const Invocation&) { return versionMode(); }},
        {"--list", Value::None, [](const Invocation&) { return listMode(); }},
        {"--kill", Value::Ports, [](const Invocation& call) { return onPorts(call, killMode); }},
        {"--kill-tree", Value::Ports, [](const Invocation& call) { return onPorts(call, killTreeMode); }},
        {translationOption, Value::AnyText,
         [](const Invocation& call) { return startDesktopMode(translationOption, call.value()); }},
        {"--restart", Value::Port,
         [](const Invocation& call) {
             KillNotes kills = killNotes();
             return restartMode(*parseInt64(call.value()), kills);
         }},
        {"--argv", Value::Pid, [](const Invocation& call) { return argvMode(*parseInt32(call.value())); }},
        {"--history", Value::None, [](const Invocation&) { return onHistory(historyMode); }},
        {"--insights", Value::None, [](const Invocation&) { return onHistory(insightsMode); }},
        {dockerOption, Value::None, [](const Invocation&) { return startDesktopMode(dockerOption, {}); }},
        {probeOption, Value::Port,
         [](const Invocation& call) { return startDesktopMode(probeOption, call.value()); }},
        {"--table", Value::None, [](const Invocation&) { return tableMode(); }},
        {"--watch", Value::None,
         [](const Invocation& call) {
             const KillNotes kills = killNotes();
             return watchMode(call.has("--all"), kills);
         }},
        {"--wait", Value::Anything, [](const Invocation& call) { return waitFor(call, false); }},
        {"--wait-free", Value::Anything, [](const Invocation& call) { return waitFor(call, true); }},
    };
    return table;
}

bool valueApplies(Value kind, const std::optional<std::string>& value) {
    switch (kind) {
    case Value::None:
    case Value::Anything:
        return true;
    case Value::Port:
        return value && parseInt64(*value).has_value();
    case Value::Ports:
        // A single value that is no number and no list keeps starting the application, as it always did.
        return value && (parseInt64(*value).has_value() || looksLikePortList(*value));
    case Value::Pid:
        return value && parseInt32(*value).has_value();
    case Value::AnyText:
        return value.has_value();
    }
    return false;
}

} // namespace

std::vector<std::string_view> optionNames() {
    std::vector<std::string_view> names;
    for (const Option& option : optionTable()) names.push_back(option.name);
    return names;
}

std::optional<int> runCommandLine(const std::vector<std::string>& arguments) {
    for (const Option& option : optionTable()) {
        auto found = std::find(arguments.begin(), arguments.end(), option.name);
        if (found == arguments.end()) continue;
        const std::span<const std::string> after(std::next(found), arguments.end());
        std::optional<std::string> value;
        if (!after.empty()) value = after.front();
        if (valueApplies(option.value, value)) return option.run(Invocation{after, arguments});
    }
    return std::nullopt;
}

} // namespace moorix::cli
