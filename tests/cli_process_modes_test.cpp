#include "app/shell/single_instance.h"
#include "core/platform/platform.h"
#include "core/process_table.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <future>

namespace moorix {

using test::Child;
using test::RunResult;
using test::runMoorix;
using test::supportScript;
using test::waitUntil;
using Strings = std::vector<std::string>;

namespace {

std::string portOf(Child& child) {
    const std::string line = child.readLine();
    if (line.empty()) throw std::runtime_error("server did not start");
    return line;
}

// Runs moorix while this thread reaps `child`, as the child's real parent would.
RunResult runReaping(Child& child, const Strings& args) {
    auto result = std::async(std::launch::async, [&] { return runMoorix(args); });
    while (result.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) child.alive();
    return result.get();
}

std::int32_t childOf(pid_t parent) {
    std::int32_t found = 0;
    waitUntil(
        [&] {
            for (const auto& [pid, info] : PortCore::processTable())
                if (info.ppid == parent) found = pid;
            return found != 0;
        },
        10);
    if (found == 0) throw std::runtime_error("no child process");
    return found;
}

std::string commOf(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(file, name);
    return name;
}

std::string closedPort() { return std::to_string(test::unusedLoopbackPort()); }

} // namespace

TEST(KillMode, StopsTheProcessOnThePortAndSaysSo) {
    Child parent({test::pythonBinary(), supportScript("spawn_child.py"), test::pythonBinary(),
                  supportScript("listener.py")});
    const std::string port = portOf(parent);
    const std::int32_t leaf = childOf(parent.pid());
    const std::string command = commOf(leaf);
    const auto result = runMoorix({"--kill", port});
    EXPECT_EQ(result.out, "killing " + command + " pid " + std::to_string(leaf) + "\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(parent.waitExit(5), 256 - SIGTERM) << "the listener ended on SIGTERM";
}

TEST(KillMode, NothingOnThePortOrNoUsableValueDoesNothing) {
    // Unusable values start the application, which ends at once while another copy holds its lock.
    const SingleInstance running(platform::appDataDir() + "/moorix.lock");
    Child server({test::pythonBinary(), supportScript("listener.py")});
    const std::string port = portOf(server);
    for (const Strings& args : {Strings{"--kill", closedPort()}, Strings{"--kill-tree", closedPort()},
                                Strings{"--restart", closedPort()}, Strings{"--kill", "x" + port},
                                Strings{"--kill", " " + port}, Strings{"--kill", "99999999999999999999"},
                                Strings{"--kill-tree"}, Strings{"--restart", ""}, Strings{port, "--kill"}}) {
        const auto result = runMoorix(args);
        EXPECT_EQ(result.out, "") << args.front();
        EXPECT_EQ(result.status, 0) << args.front();
    }
    const auto listed = runMoorix({"--list", "--kill", port});
    EXPECT_EQ(listed.out.front(), '[') << "--list is tested first";
    EXPECT_TRUE(server.alive());
}

TEST(KillTreeMode, NamesLeafAndRootThenStopsTheRoot) {
    test::TempDir dir;
    Child npm({test::pythonNamed(dir, "npm"), supportScript("spawn_child.py"), test::pythonNamed(dir, "node"),
               supportScript("listener.py")});
    const std::string port = portOf(npm);
    const std::int32_t leaf = childOf(npm.pid());
    const auto result = runReaping(npm, {"--kill-tree", port});
    EXPECT_EQ(result.out, "leaf " + std::to_string(leaf) + " (node) -> tree root " + std::to_string(npm.pid()) +
                              " (npm)\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(npm.waitExit(5), 128 + SIGTERM);
    EXPECT_EQ(::kill(leaf, 0), 0) << "the leaf itself is not signalled";
}

TEST(RestartMode, RestartsTheServerInItsFolder) {
    test::TempDir dir;
    const std::string record = dir.file("record.jsonl");
    Child server({test::pythonBinary(), supportScript("record_server.py"), record, "--flag", "two words", ""},
                 {.cwd = dir.path(), .captureStdout = true});
    const std::string port = portOf(server);
    const auto result = runReaping(server, {"--restart", port});
    EXPECT_EQ(result.out, "restarting tree of pid " + std::to_string(server.pid()) + "\n");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(server.waitExit(5), 128 + SIGTERM);

    std::vector<nlohmann::json> lines;
    ASSERT_TRUE(waitUntil(
        [&] {
            lines.clear();
            std::ifstream in(record);
            for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
            return lines.size() == 2;
        },
        20));
    const pid_t session = lines[1].at("sid").get<pid_t>();
    ASSERT_GT(session, 1);
    ASSERT_NE(session, ::getsid(0)) << "runs in a session of its own";
    ::kill(-session, SIGKILL);
    EXPECT_EQ(lines[1].at("argv"), lines[0].at("argv"));
    EXPECT_EQ(lines[1].at("cwd"), dir.path());
}

TEST(ArgvMode, PrintsEveryArgumentByteForByte) {
    const Strings argv{test::pythonBinary(), "-c", "import time; time.sleep(60)", "", "it's \"x\"", "$(id)", "a\tb",
                       "\xc3\xa9\xff"};
    Child sleeper(argv, {.cwd = {}, .captureStdout = false});
    const std::string pid = std::to_string(sleeper.pid());
    ASSERT_TRUE(waitUntil([&] { return runMoorix({"--argv", pid}).status == 0; }, 5));
    const auto result = runMoorix({"--argv", pid});
    EXPECT_EQ(result.out, "[0] " + test::pythonBinary() +
                              "\n[1] -c\n[2] import time; time.sleep(60)\n[3] \n[4] it's \"x\"\n[5] $(id)\n[6] a\tb\n"
                              "[7] \xc3\xa9\xef\xbf\xbd\n");
}

TEST(ArgvMode, UnreadableVectorIsReportedWithStatusOne) {
    for (const std::string pid : {"2147483647", "0", "-1"}) {
        const auto result = runMoorix({"--argv", pid});
        EXPECT_EQ(result.out, "no argv (gone, or not our uid)\n") << pid;
        EXPECT_EQ(result.status, 1) << pid;
    }
    const SingleInstance running(platform::appDataDir() + "/moorix.lock");
    const auto beyond = runMoorix({"--argv", "99999999999"});
    EXPECT_EQ(beyond.out, "") << "not a 32-bit number: no mode applies";
    EXPECT_EQ(beyond.status, 0);
}

TEST(ArgvMode, AnotherUsersProcessIsRefusedToAnOrdinaryUser) {
    if (::getuid() != 0) GTEST_SKIP() << "needs root to run as another user";
    Child sleeper({test::pythonBinary(), "-c", "import time; time.sleep(60)"}, {.cwd = {}, .captureStdout = false});
    Child asNobody({"/usr/sbin/runuser", "-u", "nobody", "--", MOORIX_BINARY, "--argv", std::to_string(sleeper.pid())});
    EXPECT_EQ(asNobody.readLine(), "no argv (gone, or not our uid)");
    EXPECT_EQ(asNobody.waitExit(10), 1);
    EXPECT_EQ(runMoorix({"--argv", std::to_string(sleeper.pid())}).status, 0) << "our own process is readable";
}

TEST(ProbeMode, PrintsExactlyOneVerdict) {
    Child http({test::pythonBinary(), supportScript("listener.py"), "--serve", "http404"});
    const std::string port = portOf(http);
    const auto healthy = runMoorix({"--probe", port});
    EXPECT_EQ(healthy.out, "healthy\n");
    EXPECT_EQ(healthy.status, 0);
    const auto closed = runMoorix({"--probe", closedPort()});
    EXPECT_EQ(closed.out, "no-http\n");
    EXPECT_EQ(closed.status, 0);
    EXPECT_EQ(runMoorix({"--probe", "-1"}).out, "no-http\n");
}

} // namespace moorix
