#pragma once

#include "core/control/process_inspection.h"
#include "core/history/history_view.h"
#include "core/history/instant.h"
#include "core/listing/docker.h"
#include "core/listing/port_entry.h"
#include "core/listing/process_table.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace moorix {

// How far back the panel reads the history, for stale servers and for the history sheet.
constexpr auto historyReach = std::chrono::seconds(2'592'000);

// Everything the panel reads from or does to the world outside it. The application uses the system
// backend; tests hand the panel fakes. The functions marked "any thread" run on background workers.
struct PanelBackend {
    // Any thread. Absent when the listing could not be taken, which is not "nothing listens".
    std::function<std::optional<std::vector<PortEntry>>()> listPorts;
    std::function<std::unordered_map<std::int32_t, ProcessStats>(const std::vector<std::int32_t>& pids)>
        stats;
    std::function<ProcessTable()> processTable;
    std::function<HistoryView(Instant since)> history;
    std::function<Docker::PortMap()> dockerNames;
    std::function<bool(std::int64_t port)> probe;
    // When the process started, in the platform's own units; absent when it is gone. A pid that names a
    // process with another start time has been reused.
    std::function<std::optional<std::uint64_t>(std::int32_t pid)> startTime;
    std::function<void(std::int32_t pid, bool force)> killProcess;
    std::function<void(std::int32_t leaf)> killTree;
    std::function<void(std::int32_t leaf)> restartTree;
    std::function<void(const std::string& container)> stopContainer;

    // Main thread.
    // Starts the editor or file manager on a folder without waiting for it.
    std::function<void(const QString& folder)> openFolder;
    std::function<void(const QString& url)> openUrl;
    std::function<void(const QString& text)> copyText;
    // What "open in editor" opens the folder with: the editor, else the file manager.
    std::function<QString()> folderOpenerName;
    std::function<std::map<QString, QString>()> labels;
    std::function<void(const std::optional<QString>& label, std::int64_t port)> setLabel;
    std::function<std::set<std::int64_t>()> watched;
    std::function<void(const std::set<std::int64_t>& ports)> setWatched;
    std::function<void(int count)> publishDevCount;
    std::function<Instant()> now;
    // Seconds on a monotonic clock.
    std::function<double()> monotonic;
};

} // namespace moorix
