#include "core/control/probe.h"
#include "core/control/process_control.h"
#include "core/history/kill_notes.h"
#include "core/listing/process_table.h"
#include "core/platform/process_records.h"
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
using Strings = std::vector<std::string>;
using Clock = std::chrono::steady_clock;
using namespace std::string_view_literals;

namespace {

const std::string listener = test::supportScript("listener.py");
const std::string spawnChild = test::supportScript("spawn_child.py");

double since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Runs `action` while this thread reaps `child` as its real parent would (a zombie still answers
// signal 0).
template <class Action> auto whileReaping(Child& child, Action action) {
    auto done = std::async(std::launch::async, action);
    while (done.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) child.alive();
    return done.get();
}

} // namespace

TEST(KillProcess, SigtermThenSigkillAboutTwoSecondsLaterOnlyWhenIgnoredAndForceAtOnce) {
    for (const auto& [ignoreTerm, force, signal, atLeast, atMost] :
         std::vector<std::tuple<bool, bool, int, double, double>>{
             {false, false, SIGTERM, 0, 1.5}, {true, false, SIGKILL, 1.5, 4}, {true, true, SIGKILL, 0, 1}}) {
        SCOPED_TRACE(testing::Message() << "ignoreTerm " << ignoreTerm << ", force " << force);
        Child server({test::pythonBinary(), listener, ignoreTerm ? "--ignore-term" : "--serve=silent"});
        test::listeningPort(server);
        KillNotes kills(KillLog::defaultPath());
        const auto start = Clock::now();
        whileReaping(server, [&] { PortCore::killProcess(server.pid(), force, kills); });
        const double took = since(start);
        EXPECT_EQ(server.waitExit(5), 128 + signal);
        EXPECT_GE(took, atLeast);
        EXPECT_LE(took, atMost);
        EXPECT_TRUE(kills.contains(server.pid()));
    }
}

TEST(ProcessControl, NeverSignalsPidsBelowTwoNorRestartsAnotherUsersServer) {
    std::vector<std::int32_t> sent;
    const PortCore::SignalSender record = [&](std::int32_t pid, int) { return sent.push_back(pid), -1; };
    KillNotes kills(KillLog::defaultPath());
    for (std::int32_t pid : {1, 0, -1, INT32_MIN}) {
        for (bool force : {false, true}) PortCore::killProcess(pid, force, kills, record);
        PortCore::killTree(pid, kills, PortCore::runToolWithStatus, record);
        PortCore::restartTree(pid, kills, PortCore::runToolWithStatus, record);
        EXPECT_FALSE(kills.contains(pid)) << pid;
        EXPECT_EQ(PortCore::sendSignal(pid, 0), -1) << pid; // signal 0 only tests: safe to try for real
    }
    EXPECT_TRUE(sent.empty());
    if (::getuid() != 0) GTEST_SKIP() << "needs root to start a process as another user";
    Child server({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--",
                  test::pythonBinary(), listener});
    test::listeningPort(server);
    PortCore::restartTree(server.pid(), kills, PortCore::runToolWithStatus, record);
    EXPECT_TRUE(sent.empty());
    EXPECT_FALSE(kills.contains(server.pid()));
}

TEST(KillModes, SayWhatTheyStopAndStopTheNpmParentOrElseTheLeafItself) {
    test::TempDir dir;
    for (const char* name : {"node", "npm", "plain"}) test::pythonNamed(dir, name);
    for (const auto& [mode, parentName] : std::vector<std::pair<std::string, std::string>>{
             {"--kill-tree", "npm"}, {"--kill-tree", "plain"}, {"--kill", "npm"}}) {
        SCOPED_TRACE(mode + " under " + parentName);
        Child parent({dir.file(parentName), spawnChild, dir.file("node"), listener});
        const std::string port = std::to_string(test::listeningPort(parent));
        std::int32_t leaf = 0; // spawn_child.py's child, which exists once it has printed its port
        for (const auto& [pid, info] : PortCore::processTable())
            if (info.ppid == parent.pid()) leaf = pid;
        const std::int32_t root = mode == "--kill-tree" && parentName == "npm" ? parent.pid() : leaf;
        const auto result = whileReaping(parent, [&] { return test::runMoorix({mode, port}); });
        EXPECT_EQ(result.out, mode == "--kill" ? "killing node pid " + std::to_string(leaf) + "\n"
                                               : "leaf " + std::to_string(leaf) + " (node) -> tree root " +
                                                     std::to_string(root) + " (" +
                                                     (root == leaf ? "node" : parentName) + ")\n");
        // spawn_child.py passes on its child's end as 256 - signal.
        EXPECT_EQ(parent.waitExit(5), root == leaf ? 256 - SIGTERM : 128 + SIGTERM);
        EXPECT_EQ(::kill(leaf, 0) == 0, root != leaf) << "a leaf under npm gets no signal of its own";
        EXPECT_TRUE(KillNotes(KillLog::defaultPath()).contains(root))
            << "the command line's stop is seen here too";
    }
}

TEST(RestartMode, BringsTheTreeBackInItsFolderWithItsArgumentsUntouchedByTheShell) {
    test::TempDir dir;
    const std::string folder = dir.file("my 'shop' $HOME"), record = dir.file("record.jsonl");
    std::filesystem::create_directory(folder);
    // The quotes pair up across arguments, so that a shell text made by joining them would still run, with
    // other arguments: the comparison below, not a failed start, must catch that.
    Child npm({test::pythonNamed(dir, "npm"), spawnChild, test::pythonBinary(),
               test::supportScript("record_server.py"), record, "a b", "", "it's", "\"q\"", "$(touch x)",
               "`touch y`", "; touch z", "*", "$HOME", "\\", "line\nbreak", "naïve", "-c", "don't"},
              {.cwd = folder});
    const std::string port = std::to_string(test::listeningPort(npm));
    const auto result = whileReaping(npm, [&] { return test::runMoorix({"--restart", port}); });
    EXPECT_EQ(npm.waitExit(5), 128 + SIGTERM);
    EXPECT_TRUE(KillNotes(KillLog::defaultPath()).contains(npm.pid()));
    // Each start records itself first thing, with its argv, then once more when it listens.
    const auto records = [&](bool starts) {
        std::vector<nlohmann::json> found;
        std::ifstream in(record);
        for (std::string line; std::getline(in, line);)
            if (auto entry = nlohmann::json::parse(line); entry.contains("argv") == starts)
                found.push_back(entry);
        return found;
    };
    std::vector<nlohmann::json> starts;
    ASSERT_TRUE(test::waitUntil([&] { return (starts = records(true)).size() == 2; }, 20))
        << "not started again";
    const pid_t server = starts[1].at("pid");
    ASSERT_GT(server, 1);
    const bool cameBack = test::waitUntil([&] { return records(false).size() == 2; }, 10);
    ::kill(server, SIGKILL); // the restarted root, its parent, then ends too
    EXPECT_EQ(starts[1].at("argv"), starts[0].at("argv")) << "the first start is the one the test made";
    EXPECT_EQ(starts[1].at("cwd"), folder);
    EXPECT_NE(starts[1].at("sid"), ::getsid(0)) << "runs detached, in a session of its own";
    for (const char* made : {"x", "y", "z"}) EXPECT_FALSE(std::filesystem::exists(folder + "/" + made));
    EXPECT_EQ(result.out, "restarting tree of pid " + to_string(starts[0].at("pid")) + "\n");
    EXPECT_TRUE(cameBack) << "the server did not listen again";
}

TEST(ProcessRecords, MacArgumentAreaLinuxCmdlineAndEffectiveUid) {
    // argc (native-endian: little on every Mac), executable path, NUL padding, arguments, environment.
    const std::pair<std::string_view, std::optional<Strings>> cases[] = {
        {"\4\0\0\0/bin/node\0\0\0node\0\0--port=3000\0\xff\xfe\0PATH=/bin\0"sv,
         Strings{"node", "", "--port=3000", "\xEF\xBF\xBD\xEF\xBF\xBD"}},
        {"\2\0\0\0/bin/x\0x\0last"sv, Strings{"x", "last"}}, // final NUL missing
        {"\3\0\0\0/bin/x\0x\0y\0"sv, std::nullopt},          // argc disagrees
        {"\2\0\0\0/bin/x\0\0\0"sv, std::nullopt},            // cut short in the padding
        {"\1\0\0\0/bin/x"sv, std::nullopt},                  // cut short in the path
        {"\0\0\0\0/bin/x\0x\0"sv, std::nullopt},
        {"\1\0\0\0"sv, std::nullopt}};
    for (const auto& [bytes, expected] : cases)
        EXPECT_EQ(PortCore::parseArgumentArea(bytes), expected) << testing::PrintToString(std::string(bytes));
    EXPECT_EQ(PortCore::parseCmdline("rewritten title"sv), Strings{"rewritten title"}) << "no final NUL";
    EXPECT_EQ(PortCore::parseCmdline("a\0\0"sv), (Strings{"a", ""}));
    EXPECT_FALSE(PortCore::parseCmdline(""sv)) << "kernel threads and exited processes have no arguments";
    EXPECT_EQ(PortCore::parseStatusEffectiveUid("Name:\tx\nUid:\t1000\t65534\t1000\t1000\n"), 65534u);
    EXPECT_FALSE(PortCore::parseStatusEffectiveUid("Uid:\t0\t4294967296\t0\t0\n"));
}

TEST(KillRecordClock, ANoteDropsRecordsSixtySecondsOldOrOlder) {
    auto now = std::chrono::system_clock::time_point{} + std::chrono::hours(1000);
    KillRecord record([&] { return now; });
    record.note(10);
    now += std::chrono::milliseconds(1);
    record.note(20);
    now += std::chrono::milliseconds(59999);
    record.note(20);
    EXPECT_FALSE(record.contains(10)) << "exactly 60 s old: pruned by the next note";
    now += std::chrono::seconds(59);
    record.note(30);
    EXPECT_TRUE(record.contains(20)) << "noted again with a fresh time, so 59 s old now";
}

// How each argument is shown safely is the terminal text's concern; here every one is there, in order.
TEST(ArgvMode, PrintsEveryArgumentOrSaysWhyNotWithStatusOne) {
    Child sleeper({test::pythonBinary(), "-c", "import time;time.sleep(60)", "", "a\tb"},
                  {.cwd = {}, .captureStdout = false});
    EXPECT_EQ(test::runMoorix({"--argv", std::to_string(sleeper.pid())}).out,
              "[0] " + test::pythonBinary() + "\n[1] -c\n[2] import time;time.sleep(60)\n[3] \n[4] a\\tb\n");
    for (const char* gone : {"2147483647", "0", "-1"}) {
        const auto result = test::runMoorix({"--argv", gone});
        EXPECT_EQ(result.out + std::to_string(result.status), "no argv (gone, or not our uid)\n1") << gone;
    }
}

TEST(Probe, AnyHttpAnswerOnEitherLoopbackIsHealthyAndSilenceGetsTheWholeTimeLimit) {
    for (const std::string host : {"127.0.0.1", "::1"})
        for (const std::string serve : {"http200", "http404", "garbage", "silent"}) {
            SCOPED_TRACE(host + " " + serve);
            Child server({test::pythonBinary(), listener, "--host", host, "--serve", serve});
            const std::int64_t port = test::listeningPort(server);
            const auto start = Clock::now();
            EXPECT_EQ(PortCore::probe(port), serve.starts_with("http"));
            EXPECT_GE(since(start), serve == "silent" ? 1.2 : 0);
            EXPECT_LE(since(start), 4.0) << "both loopback addresses share one time limit";
        }
}

TEST(ProbeMode, PrintsOneVerdictAndNeverAsksAProxy) {
    // An HTTP server named as the proxy: a probe sent through it would wrongly come back healthy.
    Child proxy({test::pythonBinary(), listener, "--serve", "http200"});
    const std::string port = std::to_string(test::listeningPort(proxy)), address = "http://127.0.0.1:" + port;
    const std::map<std::string, std::string> env{{"http_proxy", address}, {"all_proxy", address}};
    EXPECT_EQ(test::runMoorix({"--probe", port}, env).out, "healthy\n");
    EXPECT_EQ(test::runMoorix({"--probe", std::to_string(test::unusedLoopbackPort())}, env).out, "no-http\n");
}

} // namespace moorix
