#include "core/platform/tool_runner.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <fstream>
#include <future>

namespace moorix {

namespace {

using Clock = std::chrono::steady_clock;

class ToolRunnerTest : public ::testing::Test {
protected:
    // A shell script that first records its pid, so the test can see that it has ended.
    std::string tool(const std::string& body) {
        const std::string path = m_dir.file("tool" + std::to_string(m_count++));
        return test::script(path, "/dev/null", "echo $$ > " + path + ".pid\n" + body);
    }
    static bool ended(const std::string& tool) {
        pid_t pid = 0;
        std::ifstream(tool + ".pid") >> pid;
        return pid > 1 && test::waitUntil([&] { return ::kill(pid, 0) != 0; }, 2);
    }

    test::TempDir m_dir;
    int m_count = 0;
};

} // namespace

// Only a run that ended on its own says anything about what the tool was asked; the text is its UTF-8 output.
TEST_F(ToolRunnerTest, AFinishedRunIsToldFromAFailedOneAndGivesItsOwnOutputAsText) {
    using PortCore::runToolWithStatus;
    m_dir.write("not-executable", "#!/bin/sh\necho hi\n");
    for (const std::string& path : {m_dir.file("absent"), m_dir.file("not-executable"), std::string("sh")})
        EXPECT_FALSE(runToolWithStatus(path, {"-c", "echo x"}, 5.0).finished) << path << ": never searched";
    const auto failed = runToolWithStatus(tool("printf abc; echo oops >&2; exit 1"), {}, 5.0);
    EXPECT_TRUE(failed.finished && failed.exitStatus == 1 && failed.text() == "abc")
        << "standard output only";
    const auto bytes = runToolWithStatus(tool("printf 'ok\\377'"), {}, 5.0);
    EXPECT_TRUE(bytes.finished && bytes.exitStatus == 0 && bytes.output == "ok\xFF" && bytes.text().empty());
    const auto killed = runToolWithStatus(tool("echo partial; kill -KILL $$"), {}, 5.0);
    EXPECT_FALSE(killed.finished) << "killed by a signal";
    EXPECT_EQ(killed.output, "partial\n");
    EXPECT_EQ(PortCore::runTool(tool("head -c 3000000 /dev/zero | tr '\\0' x"), {}, 10.0).size(), 3000000u);
    const std::vector<std::string> args{"a b", "", "$(id)", "`id`", "x;y", "'q'\"", "*"};
    EXPECT_EQ(PortCore::runTool(tool("printf '<%s>' \"$@\""), args, 5.0),
              "<a b><><$(id)><`id`><x;y><'q'\"><*>");
    // Concurrent runs keep their own output.
    const std::string echo = tool("printf '%s' \"$1\"; sleep 0.2");
    std::vector<std::future<std::string>> runs;
    for (int i = 0; i < 8; ++i)
        runs.push_back(std::async(std::launch::async,
                                  [&, i] { return PortCore::runTool(echo, {std::to_string(i)}, 5.0); }));
    for (int i = 0; i < 8; ++i) EXPECT_EQ(runs[i].get(), std::to_string(i));
}

// None of these finishes within its half-second limit: each is stopped, and a clean exit when stopped is
// still no finished run. A tool that ignores SIGTERM ends in SIGKILL, also when it closed its output.
TEST_F(ToolRunnerTest, HungToolsAreStoppedAtTheirLimit) {
    using Case = std::pair<std::string, std::string>;
    for (const auto& [body, output] :
         {Case{"sleep 30", ""}, Case{"echo partial; sleep 30", "partial\n"},
          Case{"trap 'exit 0' TERM; sleep 30", ""}, Case{"trap '' TERM; echo started; sleep 30", ""},
          Case{"trap '' TERM; echo done; exec >&-; sleep 30", "done\n"}}) {
        SCOPED_TRACE(body);
        const std::string path = tool(body);
        const auto start = Clock::now();
        const PortCore::ToolRun run = PortCore::runToolWithStatus(path, {}, 0.5);
        const double took = std::chrono::duration<double>(Clock::now() - start).count();
        EXPECT_FALSE(run.finished);
        EXPECT_EQ(run.text(), output);
        EXPECT_TRUE(took >= 0.45 && took < 3.5) << took;
        EXPECT_TRUE(ended(path));
    }
}

} // namespace moorix
