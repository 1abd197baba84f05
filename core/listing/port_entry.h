#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace moorix {

// One listening TCP socket with the process that holds it and what is known of that process's origin.
struct PortEntry {
    std::int64_t port = 0;
    std::string address;
    std::int32_t pid = 0;
    std::string command;
    std::string user;
    std::vector<std::string> parentChain;
    std::int32_t rootPid = 0;
    std::optional<std::string> cwd;
    std::optional<std::string> project;

    bool operator==(const PortEntry&) const = default;

    std::string id() const;
    std::string chainText() const;
    bool isDev() const;
    bool isSystemCritical() const;
    std::string owner() const;
    std::string url() const;
    bool isExposed() const;
    bool canRestart() const;
};

bool isDevPort(std::int64_t port);

// Process names that belong to the operating system.
const std::set<std::string, std::less<>>& systemCommands();

// The entries as one compact JSON array, the output of "--list", keys in a fixed order, "/" escaped as "\/".
// Each entry is written on its own, so one that cannot be written (text that is not UTF-8) is left out
// without costing the others.
std::string writePortList(const std::vector<PortEntry>& entries);

} // namespace moorix
