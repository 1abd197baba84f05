#include "app/panel/system_backend.h"

#include "app/services/dev_count.h"
#include "app/services/editor.h"
#include "app/services/port_labels.h"
#include "app/services/preferences.h"
#include "core/control/probe.h"
#include "core/control/process_control.h"
#include "core/control/process_inspection.h"
#include "core/history/history.h"
#include "core/listing/docker.h"
#include "core/listing/listing.h"
#include "core/platform/platform.h"
#include "core/platform/tool_runner.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>

#include <chrono>

namespace moorix {

PanelBackend systemBackend(History& history, Preferences& preferences, DevCount& devCount, KillNotes& kills,
                           CpuMeter& meter) {
    PanelBackend backend;
    backend.listPorts = [] { return PortCore::listPorts(); };
    backend.stats = [&meter](const std::vector<std::int32_t>& pids) { return PortCore::stats(pids, meter); };
    backend.processTable = [] { return PortCore::processTable(); };
    backend.history = [&history](Instant since) { return history.events(since); };
    backend.dockerNames = [] { return Docker::containerPorts(); };
    backend.probe = [](std::int64_t port) { return PortCore::probe(port); };
    backend.startTime = [](std::int32_t pid) { return platform::processStartTime(pid); };
    backend.killProcess = [&kills](std::int32_t pid, bool force) {
        PortCore::killProcess(pid, force, kills);
    };
    backend.killTree = [&kills](std::int32_t leaf) { PortCore::killTree(leaf, kills); };
    backend.restartTree = [&kills](std::int32_t leaf) { PortCore::restartTree(leaf, kills); };
    backend.stopContainer = [](const std::string& container) {
        if (const auto& client = Docker::binary()) PortCore::runTool(*client, {"stop", container}, 5.0);
    };
    backend.openFolder = [](const QString& folder) { Editor::open(folder); };
    backend.openUrl = [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); };
    backend.copyText = [](const QString& text) { QGuiApplication::clipboard()->setText(text); };
    backend.folderOpenerName = [] { return Editor::openerName(); };
    backend.labels = [&preferences] { return PortLabels::all(preferences); };
    backend.setLabel = [&preferences](const std::optional<QString>& label, std::int64_t port) {
        PortLabels::set(preferences, label, port);
    };
    backend.watched = [&preferences] { return preferences.watchedPorts(); };
    backend.setWatched = [&preferences](const std::set<std::int64_t>& ports) {
        preferences.setWatchedPorts(ports);
    };
    backend.publishDevCount = [&devCount](int count) { devCount.setCount(count); };
    backend.now = [] { return currentInstant(); };
    backend.monotonic = [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    };
    return backend;
}

} // namespace moorix
