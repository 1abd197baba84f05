#include "core/kill_record.h"
#include "core/process_control.h"
#include "core/process_inspection.h"
#include "core/process_table.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <limits>

namespace moorix {

using test::Child;
using test::supportScript;
using test::waitUntil;
using Strings = std::vector<std::string>;

namespace {

using Clock = std::chrono::steady_clock;

Strings listener(const Strings& extra = {}) {
    Strings argv{test::pythonBinary(), supportScript("listener.py")};
    argv.insert(argv.end(), extra.begin(), extra.end());
    return argv;
}

void awaitStart(Child& child) {
    if (child.readLine().empty()) throw std::runtime_error("server did not start");
}

// Runs `action` on a worker while this thread reaps `child` the way its real parent would (a zombie
// still answers signal 0). Returns how long the action took, in seconds.
double whileReaping(Child& child, const std::function<void()>& action) {
    const auto start = Clock::now();
    auto done = std::async(std::launch::async, action);
    while (done.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) child.alive();
    done.get();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool exists(pid_t pid) { return ::kill(pid, 0) == 0; }

// The child of `parent` in a fresh process snapshot, once it exists.
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

struct Signal {
    std::int32_t pid;
    int signal;
    bool operator==(const Signal&) const = default;
};

// Records what would have been sent; answers "exists" to signal 0 `alive` times.
struct SignalLog {
    std::vector<Signal> sent;
    int alive = 0;
    PortCore::SignalSender sender() {
        return [this](std::int32_t pid, int signal) {
            sent.push_back({pid, signal});
            return signal == 0 && alive-- > 0 ? 0 : -1;
        };
    }
};

std::vector<nlohmann::json> records(const std::string& file) {
    std::vector<nlohmann::json> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
    return lines;
}

} // namespace

TEST(KillProcess, ObedientServerEndsOnSigtermWithoutSigkill) {
    Child server(listener());
    awaitStart(server);
    const double took = whileReaping(server, [&] { PortCore::killProcess(server.pid(), false); });
    EXPECT_EQ(server.waitExit(5), 128 + SIGTERM);
    EXPECT_LT(took, 1.5);
    EXPECT_TRUE(PortCore::wasKilledByUs(server.pid()));
}

TEST(KillProcess, ServerIgnoringSigtermGetsSigkillAfterAboutTwoSeconds) {
    Child server(listener({"--ignore-term"}));
    awaitStart(server);
    const double took = whileReaping(server, [&] { PortCore::killProcess(server.pid(), false); });
    EXPECT_EQ(server.waitExit(5), 128 + SIGKILL);
    EXPECT_GE(took, 1.5);
    EXPECT_LE(took, 4.0);
}

TEST(KillProcess, ForceSendsSigkillAtOnce) {
    Child server(listener({"--ignore-term"}));
    awaitStart(server);
    const double took = whileReaping(server, [&] { PortCore::killProcess(server.pid(), true); });
    EXPECT_EQ(server.waitExit(5), 128 + SIGKILL);
    EXPECT_LT(took, 1.0);
}

TEST(KillProcess, GoneProcessEndsTheGracePeriodAtOnceButIsStillRecorded) {
    // Beyond the kernel's largest pid: certainly no process, never anyone else's.
    const std::int32_t gone = std::numeric_limits<std::int32_t>::max();
    const auto start = Clock::now();
    PortCore::killProcess(gone, false);
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 1.0);
    EXPECT_TRUE(PortCore::wasKilledByUs(gone));
}

TEST(KillProcess, GraceSequenceIsTermThenTwentyTestsThenKill) {
    SignalLog log;
    log.alive = 100;
    PortCore::killProcess(4242, false, log.sender());
    ASSERT_EQ(log.sent.size(), 22u);
    EXPECT_EQ(log.sent.front(), (Signal{4242, SIGTERM}));
    EXPECT_EQ(log.sent[20], (Signal{4242, 0}));
    EXPECT_EQ(log.sent.back(), (Signal{4242, SIGKILL}));

    SignalLog ended;
    ended.alive = 2;
    PortCore::killProcess(4243, false, ended.sender());
    EXPECT_EQ(ended.sent, (std::vector<Signal>{{4243, SIGTERM}, {4243, 0}, {4243, 0}, {4243, 0}}));
}

TEST(KillProcess, PidsBelowTwoAreNeitherSignalledNorRecorded) {
    SignalLog log;
    for (std::int32_t pid : {1, 0, -1, -4242, std::numeric_limits<std::int32_t>::min()}) {
        PortCore::killProcess(pid, false, log.sender());
        PortCore::killProcess(pid, true, log.sender());
        PortCore::killTree(pid, PortCore::runTool, log.sender());
        EXPECT_FALSE(PortCore::wasKilledByUs(pid)) << pid;
        // Signal 0 only tests, so the sender's own refusal is safe to check for real.
        EXPECT_EQ(PortCore::sendSignal(pid, 0), -1) << pid;
    }
    EXPECT_TRUE(log.sent.empty());
}

TEST(KillTree, ServerUnderNpmStopsThatParentAndLeavesTheLeafAlone) {
    test::TempDir dir;
    Child npm({test::pythonNamed(dir, "npm"), supportScript("spawn_child.py"), test::pythonNamed(dir, "node"),
               supportScript("listener.py")});
    awaitStart(npm);
    const std::int32_t leaf = childOf(npm.pid());
    whileReaping(npm, [&] { PortCore::killTree(leaf); });
    EXPECT_EQ(npm.waitExit(5), 128 + SIGTERM);
    EXPECT_TRUE(exists(leaf)) << "the leaf gets no signal of its own";
    EXPECT_TRUE(PortCore::wasKilledByUs(npm.pid()));
    EXPECT_FALSE(PortCore::wasKilledByUs(leaf));
}

TEST(KillTree, LeafUnderAnOrdinaryParentIsStoppedItself) {
    Child parent({test::pythonBinary(), supportScript("spawn_child.py"), test::pythonBinary(),
                  supportScript("listener.py")});
    awaitStart(parent);
    const std::int32_t leaf = childOf(parent.pid());
    PortCore::killTree(leaf);
    // spawn_child.py passes on its child's end: 256 - 15 for a SIGTERM.
    EXPECT_EQ(parent.waitExit(5), 256 - SIGTERM);
    EXPECT_TRUE(PortCore::wasKilledByUs(leaf));
    EXPECT_FALSE(PortCore::wasKilledByUs(parent.pid()));
}

TEST(RestartTree, ComesBackInTheSameFolderWithTheSameArgumentsUntouchedByTheShell) {
    test::TempDir dir;
    const std::string folder = dir.file("my 'shop' $HOME");
    std::filesystem::create_directory(folder);
    const std::string record = dir.file("record.jsonl");
    const Strings awkward{"a b", "", "it's", "\"quoted\"", "$(touch PWNED1)", "`touch PWNED2`", ";",
                          "; touch PWNED3", "*", "~", "$HOME", "\\", "line\nbreak", "naïve", "-c"};
    Strings argv{test::pythonNamed(dir, "npm"), supportScript("spawn_child.py"), test::pythonBinary(),
                 supportScript("record_server.py"), record};
    argv.insert(argv.end(), awkward.begin(), awkward.end());
    Child npm(argv, {.cwd = folder});
    awaitStart(npm);
    const std::int32_t leaf = childOf(npm.pid());

    whileReaping(npm, [&] { PortCore::restartTree(leaf); });
    EXPECT_EQ(npm.waitExit(5), 128 + SIGTERM);
    EXPECT_TRUE(PortCore::wasKilledByUs(npm.pid()));
    ASSERT_TRUE(waitUntil([&] { return records(record).size() == 2; }, 20)) << "the server did not come back";
    const auto lines = records(record);
    const auto& again = lines[1];
    const pid_t server = again.at("pid").get<pid_t>();
    const pid_t session = again.at("sid").get<pid_t>();
    ASSERT_GT(server, 1);
    ASSERT_GT(session, 1);
    ASSERT_NE(session, ::getsid(0)) << "runs in a session of its own";
    // The restarted tree is detached: end it by its own ids, server first so that its parent exits too
    // and is reaped by the launcher rather than left a zombie.
    ::kill(server, SIGKILL);
    EXPECT_TRUE(waitUntil([&] { return !exists(session); }, 10)) << "restarted root not reaped";
    ::kill(-session, SIGKILL);

    EXPECT_EQ(again.at("cwd"), folder);
    EXPECT_EQ(again.at("argv"), lines[0].at("argv")) << "the first start is the one the test made itself";
    for (const char* name : {"PWNED1", "PWNED2", "PWNED3"}) {
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(folder) / name)) << name;
        EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
    }
}

TEST(RestartTree, AnotherUsersServerIsNeitherStoppedNorRestarted) {
    if (::getuid() != 0) GTEST_SKIP() << "needs root to start a process as another user";
    Child runner({"/usr/sbin/runuser", "-u", "nobody", "--", test::pythonBinary(), supportScript("listener.py")});
    awaitStart(runner);
    const std::int32_t server = childOf(runner.pid());
    ASSERT_EQ(PortCore::uid(server), 65534u);

    SignalLog log;
    PortCore::restartTree(server, PortCore::runTool, log.sender());
    EXPECT_TRUE(log.sent.empty());
    EXPECT_FALSE(PortCore::wasKilledByUs(server));
    EXPECT_TRUE(exists(server));
    EXPECT_TRUE(runner.alive());
}

TEST(ProcessInspection, OwnerAndFiguresOfARealProcessNothingForGoneOnes) {
    Child sleeper({test::pythonBinary(), "-c", "import time; time.sleep(60)"}, {.cwd = {}, .captureStdout = false});
    EXPECT_EQ(PortCore::uid(sleeper.pid()), ::geteuid());
    const std::int32_t gone = std::numeric_limits<std::int32_t>::max();
    const auto figures = PortCore::stats({sleeper.pid(), gone});
    ASSERT_EQ(figures.size(), 1u);
    EXPECT_GT(figures.at(sleeper.pid()).memMB, 0);
    for (std::int32_t pid : {gone, 0, -1}) {
        EXPECT_FALSE(PortCore::argv(pid)) << pid;
        EXPECT_FALSE(PortCore::uid(pid)) << pid;
    }

    // Ended but not yet reaped: the pid and its owner remain, the argument vector is gone.
    Child quick({test::pythonBinary(), "-c", "pass"}, {.cwd = {}, .captureStdout = false});
    siginfo_t info{};
    ASSERT_EQ(::waitid(P_PID, static_cast<id_t>(quick.pid()), &info, WEXITED | WNOWAIT), 0);
    EXPECT_FALSE(PortCore::argv(quick.pid()));
}

} // namespace moorix
