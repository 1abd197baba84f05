// How the panel keeps the user interface responsive: the longest stall of the event loop while it
// refreshes 200 ports, the time from opening it to a drawn list, the time a key takes to show, and the
// longest stall while a tree stop waits out a server that ignores SIGTERM. Each figure is set beside an
// idle event loop measured in the same run.
#include "app/panel/executor.h"
#include "app/panel/panel_model.h"
#include "app/panel/panel_view.h"
#include "app/services/preferences.h"
#include "core/control/process_control.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QThreadPool>
#include <QTimer>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

using namespace moorix;
using namespace std::chrono_literals;

namespace {

std::vector<PortEntry> ports(int count) {
    std::vector<PortEntry> entries;
    for (int i = 0; i < count; ++i) {
        PortEntry entry;
        entry.port = i % 3 == 2 ? 20000 + i : 3000 + i;
        entry.address = i % 5 == 0 ? "*" : "127.0.0.1";
        entry.pid = 10000 + i;
        entry.command = i % 2 ? "node" : "python3";
        entry.user = "dev";
        entry.parentChain = {"npm", "zsh", "tmux"};
        entry.rootPid = 500 + i % 7;
        entry.cwd = "/home/dev/project-" + std::to_string(i);
        entry.project = "project-" + std::to_string(i);
        entries.push_back(entry);
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.port < b.port; });
    return entries;
}

// A backend whose tools take as long as real ones, on the workers. Every other listing lacks its last
// port, as when a server stops and starts again, and the figures change on every query: each refresh
// redraws the list and each statistics tick the figures, as on a busy workstation.
PanelBackend slowWorld(int count) {
    PanelBackend backend;
    const auto listings = std::make_shared<std::atomic<int>>(0);
    const auto queries = std::make_shared<std::atomic<int>>(0);
    backend.listPorts = [count, listings] {
        std::this_thread::sleep_for(35ms);
        return std::optional(ports(count - (*listings)++ % 2));
    };
    backend.stats = [queries](const std::vector<std::int32_t>& pids) {
        std::this_thread::sleep_for(6ms);
        const int turn = ++*queries;
        std::unordered_map<std::int32_t, ProcessStats> figures;
        for (auto pid : pids) figures[pid] = {static_cast<double>((pid + turn) % 40), 100 + pid % 900};
        return figures;
    };
    backend.processTable = [] { return ProcessTable{}; };
    backend.history = [](Instant) { return HistoryView(); };
    backend.dockerNames = [] { return Docker::PortMap{}; };
    backend.probe = [](std::int64_t port) {
        std::this_thread::sleep_for(15ms);
        return port % 2 == 0;
    };
    backend.startTime = [](std::int32_t) { return std::optional<std::uint64_t>(); };
    backend.killProcess = [](std::int32_t, bool) {};
    // Stops noted in the bench's own temporary data folder.
    backend.killTree = [kills = std::make_shared<KillNotes>(KillLog::defaultPath())](std::int32_t pid) {
        PortCore::killTree(pid, *kills);
    };
    backend.restartTree = [](std::int32_t) {};
    backend.stopContainer = [](const std::string&) {};
    backend.openFolder = [](const QString&) {};
    backend.openUrl = [](const QString&) {};
    backend.copyText = [](const QString&) {};
    backend.folderOpenerName = [] { return QStringLiteral("Files"); };
    backend.labels = [] { return std::map<QString, QString>{{"3000", "api"}}; };
    backend.setLabel = [](const std::optional<QString>&, std::int64_t) {};
    backend.watched = [] { return std::set<std::int64_t>{3001}; };
    backend.setWatched = [](const std::set<std::int64_t>&) {};
    backend.publishDevCount = [](int) {};
    backend.now = [] { return currentInstant(); };
    backend.monotonic = [] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    };
    return backend;
}

// The longest time between two turns of the event loop over `duration`, in milliseconds.
double longestStall(std::chrono::milliseconds duration) {
    QElapsedTimer clock, total;
    double longest = 0;
    QTimer tick;
    tick.setInterval(0);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, static_cast<double>(clock.nsecsElapsed()) / 1e6);
        clock.restart();
    });
    clock.start();
    total.start();
    tick.start();
    while (total.elapsed() < duration.count()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return longest;
}

// Lays out and paints what is pending, as the window system would before the user sees the list: the
// first layout of freshly built rows belongs to drawing them.
void draw(QWidget& view) {
    QCoreApplication::sendPostedEvents();
    view.repaint();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    // Never the user's own preferences.
    const auto home =
        std::filesystem::temp_directory_path() / ("moorix-panel-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(home / "config");
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    Preferences preferences(QString::fromStdString((home / "config" / "moorix.conf").string()));
    preferences.setRefreshInterval(2);
    preferences.setPanelMaxHeight(800);

    const double idle = longestStall(2s);
    std::printf("idle event loop, longest stall:                 %7.2f ms\n", idle);

    QThreadPool workers, probes;
    workers.setMaxThreadCount(8);
    probes.setMaxThreadCount(16);
    {
        PanelModel model(slowWorld(200), Executor::threadPools(workers, probes), preferences);
        PanelView view(model);
        view.show();
        model.setShown(true);
        // The refreshes of an open panel: building its 200 rows once on opening is the first-open cost.
        QElapsedTimer opening;
        opening.start();
        while (!model.loaded()) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        draw(view);
        const double opened = static_cast<double>(opening.nsecsElapsed()) / 1e6;
        const double refreshing = longestStall(8s);
        std::printf("200 ports, first open to drawn list:            %7.2f ms  (listing itself 35 ms)\n",
                    opened);
        std::printf("200 ports, refresh every 2 s + 1 s stats, stall: %7.2f ms  (%.1fx idle; budget 8 ms)\n",
                    refreshing, refreshing / idle);

        std::vector<double> keys;
        for (int i = 0; i < 40; ++i) {
            QElapsedTimer clock;
            clock.start();
            QKeyEvent down(QEvent::KeyPress, i < 20 ? Qt::Key_Down : Qt::Key_Up, Qt::NoModifier);
            QCoreApplication::sendEvent(&view, &down);
            view.repaint();
            keys.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        }
        std::printf("200 ports, arrow key to redrawn panel, median:  %7.2f ms\n", median(keys));
        model.setShown(false);
        workers.waitForDone();
        probes.waitForDone();
    }
    {
        // The first click builds the panel, which then draws its list once the first listing (35 ms
        // here) is in.
        QElapsedTimer firstOpen;
        firstOpen.start();
        PanelModel model(slowWorld(50), Executor::threadPools(workers, probes), preferences);
        PanelView view(model);
        view.show();
        model.setShown(true);
        while (!model.loaded()) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        draw(view);
        std::printf("50 ports, first open to drawn list:             %7.2f ms  (listing itself 35 ms)\n",
                    static_cast<double>(firstOpen.nsecsElapsed()) / 1e6);
        longestStall(500ms);
        std::vector<double> opens;
        for (int i = 0; i < 15; ++i) {
            view.hide();
            model.setShown(false);
            QCoreApplication::processEvents();
            QElapsedTimer clock;
            clock.start();
            view.show();
            model.setShown(true);
            view.repaint();
            opens.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
            longestStall(100ms);
        }
        std::printf("50 ports, reopen to drawn list, median:         %7.2f ms  (target under 150 ms)\n",
                    median(opens));

        // A tree stop waits about two seconds for a server that ignores SIGTERM, on a worker.
        const pid_t stubborn = ::fork();
        if (stubborn == 0) {
            ::signal(SIGTERM, SIG_IGN);
            for (;;) ::pause();
        }
        std::this_thread::sleep_for(100ms);
        PortEntry server = ports(1).front();
        server.pid = stubborn;
        model.request(server, StopAction::StopTree);
        model.confirmPending();
        const double stopping = longestStall(3s);
        int status = 0;
        const bool ended = ::waitpid(stubborn, &status, WNOHANG) == stubborn;
        if (!ended) {
            ::kill(stubborn, SIGKILL);
            ::waitpid(stubborn, &status, 0);
        }
        std::printf("tree stop of a SIGTERM-ignoring server, stall:  %7.2f ms  (%.1fx idle; server %s)\n",
                    stopping, stopping / idle, ended ? "stopped" : "NOT stopped");
        model.setShown(false);
        workers.waitForDone();
        probes.waitForDone();
    }
    std::filesystem::remove_all(home);
    return 0;
}
