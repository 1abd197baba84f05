#include "app/cli/command_line.h"

#include "app/cli/desktop_module.h"
#include "app/cli/modes.h"
#include "core/decimal.h"

#include <algorithm>
#include <functional>
#include <string_view>

namespace moorix::cli {

namespace {

enum class Value { None, Port, Pid, AnyText };

struct Option {
    std::string_view name;
    Value value;
    std::function<int(const std::string& value)> run;
};

// Tested in this order; the first option that applies decides the mode.
const std::vector<Option>& optionTable() {
    static const std::vector<Option> table{
        {"--help", Value::None, [](const std::string&) { return helpMode(); }},
        {"--version", Value::None, [](const std::string&) { return versionMode(); }},
        {"--list", Value::None, [](const std::string&) { return listMode(); }},
        {"--kill", Value::Port, [](const std::string& port) { return killMode(*parseInt64(port)); }},
        {"--kill-tree", Value::Port, [](const std::string& port) { return killTreeMode(*parseInt64(port)); }},
        {"--t", Value::AnyText, [](const std::string& key) { return desktop::runMode("--t", key); }},
        {"--restart", Value::Port, [](const std::string& port) { return restartMode(*parseInt64(port)); }},
        {"--argv", Value::Pid, [](const std::string& pid) { return argvMode(*parseInt32(pid)); }},
        {"--history", Value::None, [](const std::string&) { return historyMode(); }},
        {"--insights", Value::None, [](const std::string&) { return insightsMode(); }},
        {"--docker", Value::None, [](const std::string&) { return desktop::runMode("--docker", {}); }},
        {"--probe", Value::Port, [](const std::string& port) { return desktop::runMode("--probe", port); }},
        {"--table", Value::None, [](const std::string&) { return tableMode(); }},
    };
    return table;
}

bool valueApplies(Value kind, const std::optional<std::string>& value) {
    switch (kind) {
    case Value::None:
        return true;
    case Value::Port:
        return value && parseInt64(*value).has_value();
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
    for (const Option& option : optionTable())
        names.push_back(option.name);
    return names;
}

std::optional<int> runCommandLine(const std::vector<std::string>& arguments) {
    for (const Option& option : optionTable()) {
        auto found = std::find(arguments.begin(), arguments.end(), option.name);
        if (found == arguments.end()) continue;
        std::optional<std::string> value;
        if (std::next(found) != arguments.end()) value = *std::next(found);
        if (valueApplies(option.value, value)) return option.run(value.value_or(std::string()));
    }
    return std::nullopt;
}

} // namespace moorix::cli
