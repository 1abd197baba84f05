// The real executable as a menu-bar application on a virtual X display.
#include "app/services/preferences.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <sstream>

namespace moorix {

using namespace test;

namespace {

// The first event of the history file on `port` with `action` (and `ending`), or null.
nlohmann::json findEvent(std::int64_t port, const std::string& action, const std::string& ending = {}) {
    std::istringstream lines(readFile(std::string(std::getenv("XDG_DATA_HOME")) + "/Moorix/history.jsonl"));
    for (std::string line; std::getline(lines, line);) {
        const auto event = nlohmann::json::parse(line, nullptr, false);
        if (event.is_object() && event.value("port", 0) == port && event.value("action", "") == action &&
            (ending.empty() || event.value("ending", "") == ending))
            return event;
    }
    return nullptr;
}

bool once(const std::string& text, const std::string& piece) {
    return text.find(piece) != std::string::npos && text.find(piece) == text.rfind(piece);
}

} // namespace

// Xvfb on a display number of its own choosing, with trayer as the system tray when asked for.
class TrayApp : public ::testing::Test {
protected:
    void SetUp() override { startDesktop(true); }
    void startDesktop(bool withTray) {
        for (const char* tool : {"/usr/bin/Xvfb", "/usr/bin/trayer", "/usr/bin/xdotool", "/usr/bin/xwd"})
            if (::access(tool, X_OK) != 0) GTEST_SKIP() << tool << " is not installed";
        // -noreset: without it the server resets whenever its last client leaves, and a tray connecting
        // while one of the polls below has just left finds no display.
        m_server = std::make_unique<Child>(std::vector<std::string>{"/usr/bin/Xvfb", "-displayfd", "1",
                                                                    "-screen", "0", "1024x768x24",
                                                                    "-nolisten", "tcp", "-noreset"});
        m_display = ":" + m_server->readLine(20);
        ASSERT_NE(m_display, ":");
        m_env = {{"DISPLAY", m_display}, {"LANG", "en_US.UTF-8"}, {"LANGUAGE", "en"}};
        if (withTray) {
            m_tray = std::make_unique<Child>(std::vector<std::string>{"/usr/bin/trayer", "--edge", "top",
                                                                      "--align", "right", "--widthtype",
                                                                      "request", "--height", "22"},
                                             Child::Options{.captureStdout = false, .env = m_env});
            ASSERT_TRUE(waitUntil([&] { return findWindow("--classname trayer"); }, 20));
        }
        // Notifications go to a log instead of the desktop.
        m_dir.write("notify", "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + m_dir.file("notifications") + "'\n");
        std::filesystem::permissions(m_dir.file("notify"), std::filesystem::perms::owner_all);
        m_env["MOORIX_TEST_NOTIFY"] = m_dir.file("notify");
        // A watched port that never opens makes the sampler tick every 5 seconds instead of 10. Written to
        // the user's store, which the application reads.
        Preferences().setWatchedPorts({unusedLoopbackPort()});
        std::filesystem::create_directories(MOORIX_SCREENSHOT_DIR);
    }

    std::unique_ptr<Child> startApp() {
        return std::make_unique<Child>(std::vector<std::string>{MOORIX_BINARY},
                                       Child::Options{.captureStdout = false, .env = m_env});
    }
    bool findWindow(const std::string& query) const {
        return std::system(
                   ("DISPLAY=" + m_display + " xdotool search " + query + " >/dev/null 2>&1").c_str()) == 0;
    }
    // Saves the tray's corner as a PNG and returns how many of its pixels are badge red.
    int badgePixels() const {
        return std::atoi(runCommand({pythonBinary(), supportScript("screenshot.py"), m_display,
                                     MOORIX_SCREENSHOT_DIR "/tray-count.png", "924", "0", "100", "24", "4"})
                             .out.c_str());
    }
    std::string notifications() const { return readFile(m_dir.file("notifications")); }

    TempDir m_dir;
    std::unique_ptr<Child> m_server, m_tray;
    std::string m_display;
    std::map<std::string, std::string> m_env;
};

TEST_F(TrayApp, RecordsHistoryShowsTheCountAndNotifiesACrashOnce) {
    Child devServer(listener({"--dev-port"}));
    listeningPort(devServer);
    auto app = startApp();
    ASSERT_TRUE(waitUntil([&] { return findWindow("--classname moorix"); }, 20)) << "no tray icon";
    // The first sample sets the history baseline and the count: a badge appears on the icon.
    ASSERT_TRUE(waitUntil([&] { return badgePixels() > 20; }, 30));

    const auto serverArgv = listener({"--serve", "http200"});
    Child server(serverArgv);
    const std::int64_t port = listeningPort(server);
    ASSERT_TRUE(waitUntil([&] { return !findEvent(port, "opened").is_null(); }, 25));
    EXPECT_EQ(findEvent(port, "opened").value("argv", nlohmann::json::array()), nlohmann::json(serverArgv));
    EXPECT_EQ(runMoorix({"--kill", std::to_string(port)}, m_env).status, 0);
    EXPECT_TRUE(waitUntil([&] { return !findEvent(port, "closed", "killedByMoorix").is_null(); }, 25));

    // Crashes are told for development ports. Not the first free one from 5000: other tests' listeners
    // take that, and one taking the port as soon as it is freed would hide its closing.
    std::unique_ptr<Child> crashingServer;
    std::string crashLine;
    std::mt19937 random(std::random_device{}());
    for (int tries = 0; tries < 20 && crashLine.empty(); ++tries) {
        const std::string candidate = std::to_string(6000 + random() % 4000);
        crashingServer = std::make_unique<Child>(listener({"--stop-on-usr1", "--port", candidate}));
        crashLine = crashingServer->readLine();
    }
    ASSERT_FALSE(crashLine.empty());
    const std::int64_t crashPort = std::stoll(crashLine);
    ASSERT_TRUE(waitUntil([&] { return !findEvent(crashPort, "opened").is_null(); }, 25));
    ::kill(crashingServer->pid(), SIGUSR1); // stops listening, stays alive
    ASSERT_TRUE(waitUntil([&] { return !findEvent(crashPort, "closed", "unexpected").is_null(); }, 25));
    const std::string crashText = "Moorix The server on port " + std::to_string(crashPort);
    ASSERT_TRUE(waitUntil([&] { return once(notifications(), crashText); }, 15)) << notifications();
    // The closing stays in the 30-second crash window for the next samples, and is told once: two more
    // samples have been taken once another server's opening and closing are recorded.
    auto later = std::make_unique<Child>(listener());
    const std::int64_t laterPort = listeningPort(*later);
    ASSERT_TRUE(waitUntil([&] { return !findEvent(laterPort, "opened").is_null(); }, 25));
    later.reset();
    ASSERT_TRUE(waitUntil([&] { return !findEvent(laterPort, "closed").is_null(); }, 25));
    EXPECT_TRUE(once(notifications(), crashText)) << notifications();

    auto second = startApp();
    EXPECT_EQ(second->waitExit(10), 0) << "a second copy exits at once";
    EXPECT_TRUE(app->alive());
}

class NoTrayApp : public TrayApp {
protected:
    void SetUp() override { startDesktop(false); }
};

TEST_F(NoTrayApp, PanelOpensAsAWindowThatShowsTheCount) {
    Child devServer(listener({"--dev-port"}));
    listeningPort(devServer);
    auto app = startApp();
    EXPECT_TRUE(waitUntil([&] { return findWindow("--name '^Moorix .*: [1-9]'"); }, 30));
}

} // namespace moorix
