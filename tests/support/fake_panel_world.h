#pragma once

#include "app/panel/panel_backend.h"
#include "app/services/preferences.h"
#include "core/history/port_event.h"
#include "tests/support/test_support.h"

#include <QString>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace moorix::test {

// A world the panel can be shown against: what it lists, and a record of everything it did. A stopped
// process leaves the listing, as it would.
struct FakePanelWorld {
    std::optional<std::vector<PortEntry>> listing = std::vector<PortEntry>{};
    std::unordered_map<std::int32_t, ProcessStats> stats;
    ProcessTable table;
    std::vector<PortEvent> events;
    Docker::PortMap containers;
    std::set<std::int64_t> answering; // ports whose probe answers
    std::map<std::int32_t, std::uint64_t> startTimes;
    std::map<QString, QString> labels;
    std::set<std::int64_t> watched;
    Instant now = Instant(std::chrono::seconds(1'800'000'000));

    int listings = 0;
    std::vector<std::int64_t> probes;
    std::vector<std::string> actions; // "kill 42", "force 42", "tree 42", "restart 42", "docker stop db"
    std::vector<QString> opened;      // URLs and folders
    std::optional<QString> clipboard;
    int devCount = -1;

    // The panel's preferences, in a store of this world's own.
    TempDir storeFolder;
    Preferences preferences{QString::fromStdString(storeFolder.file("moorix.conf"))};

    PanelBackend backend();
};

// An entry as the listing would give it; ordinary user "dev" unless told otherwise.
inline PortEntry entryOn(std::int64_t port, std::int32_t pid, const std::string& command = "node",
                         const std::string& address = "127.0.0.1", const std::string& user = "dev") {
    return {port, address, pid, command, user, {"npm", "zsh"}, pid - 1, "/home/dev/shop", "shop"};
}

} // namespace moorix::test
