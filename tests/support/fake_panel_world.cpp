#include "tests/support/fake_panel_world.h"

namespace moorix::test {

PanelBackend FakePanelWorld::backend() {
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
        if (const auto found = startTimes.find(pid); found != startTimes.end()) return found->second;
        return std::nullopt;
    };
    b.killProcess = [this](std::int32_t pid, bool force) {
        actions.push_back((force ? "force " : "kill ") + std::to_string(pid));
        stopped(pid);
    };
    b.killTree = [this](std::int32_t pid) {
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
        const QString text = label.value_or(QString()).trimmed();
        if (text.isEmpty())
            labels.erase(QString::number(port));
        else
            labels[QString::number(port)] = text;
    };
    b.watched = [this] { return watched; };
    b.setWatched = [this](const std::set<std::int64_t>& ports) { watched = ports; };
    b.publishDevCount = [this](int count) { devCount = count; };
    b.now = [this] { return now; };
    b.monotonic = [this] { return monotonic; };
    return b;
}

void FakePanelWorld::stopped(std::int32_t pid) {
    if (listing) std::erase_if(*listing, [pid](const PortEntry& entry) { return entry.pid == pid; });
}

PortEntry entryOn(std::int64_t port, std::int32_t pid, const std::string& command, const std::string& address,
                  const std::string& user) {
    PortEntry entry;
    entry.port = port;
    entry.address = address;
    entry.pid = pid;
    entry.command = command;
    entry.user = user;
    entry.parentChain = {"npm", "zsh"};
    entry.rootPid = pid - 1;
    entry.cwd = "/home/dev/shop";
    entry.project = "shop";
    return entry;
}

} // namespace moorix::test
