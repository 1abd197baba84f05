#include "tests/support/fake_panel_world.h"

namespace moorix::test {

PanelBackend FakePanelWorld::backend() {
    const auto stopped = [this](std::int32_t pid) {
        if (listing) std::erase_if(*listing, [pid](const PortEntry& entry) { return entry.pid == pid; });
    };
    PanelBackend b;
    b.listPorts = [this] {
        ++listings;
        return listing;
    };
    b.stats = [this](const std::vector<std::int32_t>& pids) {
        std::unordered_map<std::int32_t, ProcessStats> found;
        for (auto pid : pids)
            if (stats.contains(pid)) found[pid] = stats[pid];
        return found;
    };
    b.processTable = [this] { return table; };
    b.history = [this](Instant since) {
        std::vector<PortEvent> recent;
        for (const auto& event : events)
            if (event.at >= since) recent.push_back(event);
        return HistoryView(std::move(recent));
    };
    b.dockerNames = [this] { return containers; };
    b.probe = [this](std::int64_t port) {
        probes.push_back(port);
        return answering.contains(port);
    };
    b.startTime = [this](std::int32_t pid) -> std::optional<std::uint64_t> {
        return startTimes.contains(pid) ? std::optional(startTimes.at(pid)) : std::nullopt;
    };
    b.killProcess = [this, stopped](std::int32_t pid, bool force) {
        actions.push_back((force ? "force " : "kill ") + std::to_string(pid));
        stopped(pid);
    };
    b.killTree = [this, stopped](std::int32_t pid) {
        actions.push_back("tree " + std::to_string(pid));
        stopped(pid);
    };
    b.restartTree = [this](std::int32_t pid) { actions.push_back("restart " + std::to_string(pid)); };
    b.stopContainer = [this](const std::string& name) { actions.push_back("docker stop " + name); };
    b.openFolder = [this](const QString& folder) { opened.push_back(folder); };
    b.openUrl = [this](const QString& url) { opened.push_back(url); };
    b.copyText = [this](const QString& text) { clipboard = text; };
    b.folderOpenerName = [] { return QStringLiteral("Files"); };
    b.labels = [this] { return labels; };
    b.setLabel = [this](const std::optional<QString>& label, std::int64_t port) {
        labels[QString::number(port)] = label.value_or(QString()).trimmed();
        std::erase_if(labels, [](const auto& stored) { return stored.second.isEmpty(); });
    };
    b.watched = [this] { return watched; };
    b.setWatched = [this](const std::set<std::int64_t>& ports) { watched = ports; };
    b.publishDevCount = [this](int count) { devCount = count; };
    b.now = [this] { return now; };
    b.monotonic = [] { return 1000.0; };
    return b;
}

} // namespace moorix::test
