#include "core/tool_runner.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <future>

namespace moorix {

namespace {

using Clock = std::chrono::steady_clock;

class ToolRunnerTest : public ::testing::Test {
protected:
    // A shell script in the test's folder; it records its pid so the test can see it has ended.
    std::string tool(const std::string& body) {
        const std::string path = m_dir.file("tool" + std::to_string(m_count++));
        std::ofstream(path) << "#!/bin/sh\necho $$ > " << path << ".pid\n" << body << "\n";
        ::chmod(path.c_str(), 0755);
        return path;
    }
    pid_t pidOf(const std::string& tool) {
        std::ifstream file(tool + ".pid");
        pid_t pid = 0;
        file >> pid;
        return pid;
    }
    static double secondsSince(Clock::time_point start) {
        return std::chrono::duration<double>(Clock::now() - start).count();
    }

    test::TempDir m_dir;
    int m_count = 0;
};

} // namespace

TEST_F(ToolRunnerTest, MissingOrUnstartableToolGivesEmptyTextAtOnce) {
    const auto start = Clock::now();
    EXPECT_EQ(PortCore::runTool(m_dir.file("absent"), {}, 5.0), "");
    m_dir.write("not-executable", "#!/bin/sh\necho hi\n");
    EXPECT_EQ(PortCore::runTool(m_dir.file("not-executable"), {}, 5.0), "");
    EXPECT_EQ(PortCore::runTool("sh", {"-c", "echo searched"}, 5.0), "") << "the path is never searched";
    EXPECT_LT(secondsSince(start), 1.0);
}

TEST_F(ToolRunnerTest, KeepsStdoutOfFailingToolAndDropsStderrAndBadBytes) {
    EXPECT_EQ(PortCore::runTool(tool("printf abc; echo oops >&2; exit 1"), {}, 5.0), "abc");
    EXPECT_EQ(PortCore::runTool(tool("echo only-errors >&2"), {}, 5.0), "");
    EXPECT_EQ(PortCore::runTool(tool("printf 'ok\\377\\n'"), {}, 5.0), "");
    EXPECT_EQ(PortCore::runTool(tool("printf 'T\\303\\274rk\\n'"), {}, 5.0), "T\xC3\xBCrk\n");
}

TEST_F(ToolRunnerTest, PassesArgumentsVerbatimWithoutAShell) {
    const std::vector<std::string> args{"a b", "", "$(id)", "`id`", "x;y", "'q'\"", "*"};
    EXPECT_EQ(PortCore::runTool(tool("printf '<%s>' \"$@\""), args, 5.0), "<a b><><$(id)><`id`><x;y><'q'\"><*>");
}

TEST_F(ToolRunnerTest, LargeOutputArrivesWhole) {
    const std::string out = PortCore::runTool(tool("head -c 3000000 /dev/zero | tr '\\0' x"), {}, 10.0);
    EXPECT_EQ(out.size(), 3000000u);
}

TEST_F(ToolRunnerTest, HungToolIsStoppedAtItsLimit) {
    const std::string silent = tool("sleep 30");
    auto start = Clock::now();
    EXPECT_EQ(PortCore::runTool(silent, {}, 0.5), "");
    EXPECT_GE(secondsSince(start), 0.45);
    EXPECT_LT(secondsSince(start), 3.0);
    EXPECT_NE(::kill(pidOf(silent), 0), 0) << "the tool must be gone";

    // Output written before the limit is kept when the tool ends on SIGTERM.
    const std::string chatty = tool("echo partial; sleep 30");
    start = Clock::now();
    EXPECT_EQ(PortCore::runTool(chatty, {}, 0.5), "partial\n");
    EXPECT_LT(secondsSince(start), 3.0);
}

TEST_F(ToolRunnerTest, ToolIgnoringTerminationIsKilled) {
    const std::string stubborn = tool("trap '' TERM; echo started; sleep 30");
    const auto start = Clock::now();
    EXPECT_EQ(PortCore::runTool(stubborn, {}, 0.5), "");
    EXPECT_LT(secondsSince(start), 3.5);
    EXPECT_TRUE(test::waitUntil([&] { return ::kill(pidOf(stubborn), 0) != 0; }, 2));

    // One that closes its output but keeps running is bounded too.
    const std::string lingering = tool("trap '' TERM; echo done; exec >&-; sleep 30");
    const auto again = Clock::now();
    EXPECT_EQ(PortCore::runTool(lingering, {}, 0.5), "done\n");
    EXPECT_LT(secondsSince(again), 3.5);
}

TEST_F(ToolRunnerTest, ConcurrentRunsKeepTheirOwnOutput) {
    const std::string echo = tool("printf '%s' \"$1\"; sleep 0.2");
    std::vector<std::future<std::string>> runs;
    for (int i = 0; i < 8; ++i)
        runs.push_back(std::async(std::launch::async,
                                  [&, i] { return PortCore::runTool(echo, {"run" + std::to_string(i)}, 5.0); }));
    for (int i = 0; i < 8; ++i) EXPECT_EQ(runs[i].get(), "run" + std::to_string(i));
}

} // namespace moorix
