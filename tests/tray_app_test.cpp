// The real executable as a menu-bar application on a virtual X display with a tray.
#include "app/services/preferences.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace moorix {

using test::Child;

namespace {

std::string readFile(const std::string& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<nlohmann::json> historyEvents() {
    std::vector<nlohmann::json> events;
    std::istringstream lines(readFile(std::string(std::getenv("XDG_DATA_HOME")) + "/Moorix/history.jsonl"));
    for (std::string line; std::getline(lines, line);)
        if (auto event = nlohmann::json::parse(line, nullptr, false); event.is_object()) events.push_back(event);
    return events;
}

bool hasEvent(std::int64_t port, const std::string& action, const std::string& ending = {}) {
    for (const auto& event : historyEvents())
        if (event.value("port", 0) == port && event.value("action", "") == action &&
            (ending.empty() || event.value("ending", "") == ending))
            return true;
    return false;
}

std::size_t count(const std::string& text, const std::string& piece) {
    std::size_t found = 0;
    for (auto at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++found;
    return found;
}

// Xvfb on a display number it picks itself, with trayer as the system tray.
class TrayDesktop {
public:
    explicit TrayDesktop(bool withTray = true)
        : m_server({"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"}) {
        const std::string number = m_server.readLine(20);
        if (number.empty()) throw std::runtime_error("Xvfb did not start");
        m_display = ":" + number;
        if (!withTray) return;
        m_tray = std::make_unique<Child>(
            std::vector<std::string>{"/usr/bin/trayer", "--edge", "top", "--align", "right", "--widthtype",
                                     "request", "--height", "22"},
            Child::Options{.captureStdout = false, .env = {{"DISPLAY", m_display}}});
        // The tray is up once its window exists; an application started earlier would find no tray.
        if (!test::waitUntil([&] { return windowExists("trayer"); }, 20))
            throw std::runtime_error("the tray did not start");
    }
    const std::string& display() const { return m_display; }

    bool windowExists(const std::string& className) const {
        return std::system(("DISPLAY=" + m_display + " xdotool search --classname " + className +
                            " >/dev/null 2>&1").c_str()) == 0;
    }

    bool windowNamed(const std::string& name) const {
        return std::system(("DISPLAY=" + m_display + " xdotool search --name '" + name + "' >/dev/null 2>&1").c_str()) ==
               0;
    }

    // Saves the tray corner as PNG and returns how many of its pixels are badge red.
    int photographTray(const std::string& png) const { return photograph(png, "924 0 100 24 4"); }
    int photograph(const std::string& png, const std::string& area) const {
        const std::string command = "python3 " + test::supportScript("screenshot.py") + " " + m_display + " " +
                                    png + " " + area;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe) return -1;
        char line[64] = {};
        const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
        ::pclose(pipe);
        return read ? std::atoi(line) : -1;
    }

private:
    Child m_server;
    std::string m_display;
    std::unique_ptr<Child> m_tray;
};

} // namespace

class TrayApp : public ::testing::Test {
protected:
    void SetUp() override { start(true); }
    void start(bool withTray) {
        for (const char* tool : {"/usr/bin/Xvfb", "/usr/bin/trayer", "/usr/bin/xdotool", "/usr/bin/xwd"})
            if (::access(tool, X_OK) != 0) GTEST_SKIP() << tool << " is not installed";
        m_desktop = std::make_unique<TrayDesktop>(withTray);
        // Notifications go to a log instead of the desktop.
        m_notifyLog = m_dir.file("notifications.log");
        const std::string notify = m_dir.file("notify");
        std::ofstream(notify) << "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" << m_notifyLog << "'\n";
        ::chmod(notify.c_str(), 0755);
        m_env = {{"DISPLAY", m_desktop->display()},
                 {"MOORIX_TEST_NOTIFY", notify},
                 {"LANG", "en_US.UTF-8"},
                 {"LANGUAGE", "en"}};
    }

    std::unique_ptr<Child> startApp() {
        return std::make_unique<Child>(std::vector<std::string>{MOORIX_BINARY},
                                       Child::Options{.captureStdout = false, .env = m_env});
    }
    std::string notifications() const { return readFile(m_notifyLog); }
    std::vector<std::string> listener(std::vector<std::string> extra) const {
        std::vector<std::string> argv{test::pythonBinary(), test::supportScript("listener.py")};
        argv.insert(argv.end(), extra.begin(), extra.end());
        return argv;
    }

    test::TempDir m_dir;
    std::unique_ptr<TrayDesktop> m_desktop;
    std::string m_notifyLog;
    std::map<std::string, std::string> m_env;
};

TEST_F(TrayApp, RecordsHistoryShowsTheCountAndNotifiesACrashOnce) {
    // A watched port that never opens makes the sampler tick every 5 seconds instead of 10.
    Preferences::shared().setWatchedPorts({test::unusedLoopbackPort()});
    Child devServer(listener({"--dev-port"}));
    ASSERT_FALSE(devServer.readLine().empty());

    auto app = startApp();
    ASSERT_TRUE(test::waitUntil([&] { return m_desktop->windowExists("moorix"); }, 20)) << "no tray icon";
    // The first sample sets the baseline and the count: the badge appears on the icon.
    const std::string shots = std::string(MOORIX_SCREENSHOT_DIR);
    std::filesystem::create_directories(shots);
    ASSERT_TRUE(test::waitUntil([&] { return m_desktop->photographTray(shots + "/tray-count.png") > 20; }, 30))
        << "no count badge on the tray icon";

    Child server(listener({"--serve", "http200"}));
    const std::int64_t port = std::stoll(server.readLine());
    ASSERT_TRUE(test::waitUntil([&] { return hasEvent(port, "opened"); }, 25)) << "no opened event";
    for (const auto& event : historyEvents())
        if (event.value("port", 0) == port) {
            EXPECT_EQ(event.at("pid"), server.pid());
            EXPECT_EQ(event.at("argv").at(1), test::supportScript("listener.py"));
        }

    const auto killed = test::runMoorix({"--kill", std::to_string(port)}, m_env);
    EXPECT_EQ(killed.status, 0);
    EXPECT_TRUE(test::waitUntil([&] { return hasEvent(port, "closed", "killedByMoorix"); }, 25))
        << "a stop from the command line is attributed to Moorix";

    Child crashing(listener({"--stop-on-usr1", "--dev-port"})); // crashes are told for development ports
    const std::int64_t crashPort = std::stoll(crashing.readLine());
    ASSERT_TRUE(test::waitUntil([&] { return hasEvent(crashPort, "opened"); }, 25));
    ::kill(crashing.pid(), SIGUSR1); // stops listening, stays alive
    ASSERT_TRUE(test::waitUntil([&] { return hasEvent(crashPort, "closed", "unexpected"); }, 25));
    const std::string crashText = "Moorix The server on port " + std::to_string(crashPort);
    ASSERT_TRUE(test::waitUntil([&] { return count(notifications(), crashText) >= 1; }, 15)) << notifications();
    // The closing stays in the 30-second crash window for several more samples.
    std::this_thread::sleep_for(std::chrono::seconds(11));
    EXPECT_EQ(count(notifications(), crashText), 1u) << notifications();
    EXPECT_TRUE(crashing.alive());
}

class NoTrayApp : public TrayApp {
protected:
    void SetUp() override { start(false); }
};

TEST_F(NoTrayApp, PanelOpensAsAWindowThatShowsTheCount) {
    Child devServer(listener({"--dev-port"}));
    ASSERT_FALSE(devServer.readLine().empty());
    Preferences::shared().setWatchedPorts({test::unusedLoopbackPort()});
    auto app = startApp();
    ASSERT_TRUE(test::waitUntil([&] { return m_desktop->windowNamed("^Moorix$"); }, 20)) << "no window";
    EXPECT_TRUE(test::waitUntil([&] { return m_desktop->windowNamed("^Moorix .*: [1-9]"); }, 30))
        << "the title carries the count once sampled";
    const std::string shots = std::string(MOORIX_SCREENSHOT_DIR);
    std::filesystem::create_directories(shots);
    m_desktop->photograph(shots + "/panel-window.png", "0 0 640 360 1");
}

TEST_F(TrayApp, SecondCopyExitsAtOnce) {
    auto first = startApp();
    ASSERT_TRUE(test::waitUntil([&] { return m_desktop->windowExists("moorix"); }, 20));
    auto second = startApp();
    EXPECT_EQ(second->waitExit(10), 0);
    EXPECT_TRUE(first->alive());
}

} // namespace moorix
