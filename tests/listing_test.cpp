#include "core/listing.h"
#include "core/platform/platform.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unordered_map>

namespace moorix {

namespace {

// Answers the tool runs and the directory lookup of a listing from canned data and records every call.
struct FakeTools {
    std::string sockets, processes;
    std::unordered_map<std::int32_t, std::string> cwds;
    std::vector<std::vector<std::string>> calls;
    std::vector<std::vector<std::int32_t>> lookups;

    std::vector<PortEntry> list() {
        return PortCore::listPorts(runner(), [this](const std::vector<std::int32_t>& pids, const PortCore::ToolRunner&) {
            lookups.push_back(pids);
            std::unordered_map<std::int32_t, std::string> found;
            for (auto pid : pids)
                if (cwds.contains(pid)) found[pid] = cwds[pid];
            return found;
        });
    }

    PortCore::ToolRunner runner() {
        return [this](const std::string& path, const std::vector<std::string>& args, double timeout) {
            EXPECT_EQ(timeout, 5.0);
            calls.push_back(args);
            if (path == platform::psPath()) return processes;
            EXPECT_EQ(path, platform::lsofPath());
            return sockets;
        };
    }
};

} // namespace

TEST(Listing, NoSocketsMeansTwoToolRunsAndNothing) {
    FakeTools tools;
    EXPECT_TRUE(tools.list().empty());
    EXPECT_TRUE(tools.lookups.empty());
    ASSERT_EQ(tools.calls.size(), 2u);
    EXPECT_EQ(tools.calls[0], (std::vector<std::string>{"-F", "pcRuLPn", "-iTCP", "-sTCP:LISTEN", "-n", "-P", "+c0"}));
    EXPECT_EQ(tools.calls[1], (std::vector<std::string>{"-axo", "pid=,ppid=,comm="}));
}

TEST(Listing, FoldersAndProjectsWithOneWorkingDirectoryRun) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("shop"));
    dir.write("shop/package.json", R"({"name":"shop-frontend"})");
    FakeTools tools;
    tools.sockets = "p20\ncnode\nLdev\nn*:3000\nn*:3001\np30\ncpostgres\nn127.0.0.1:5432\n"
                    "p40\ncsshd\nn*:22\np50\ncsecret\nn*:8000\n";
    tools.processes = "20 10 node\n10 1 npm\n";
    tools.cwds = {{20, dir.file("shop")}, {30, "/"}};

    const auto entries = tools.list();
    EXPECT_EQ(tools.calls.size(), 2u);
    ASSERT_EQ(tools.lookups.size(), 1u);
    EXPECT_EQ(tools.lookups[0], (std::vector<std::int32_t>{20, 30, 40, 50}));
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].port, 22);
    EXPECT_FALSE(entries[0].cwd.has_value()) << "no directory listed";
    for (int i : {1, 2}) {
        EXPECT_EQ(entries[i].cwd, dir.file("shop"));
        EXPECT_EQ(entries[i].project, "shop-frontend");
        EXPECT_EQ(entries[i].parentChain, std::vector<std::string>{"npm"});
    }
    EXPECT_FALSE(entries[3].cwd.has_value()) << "the root directory names no project";
}

TEST(Listing, FailedProcessAndDirectoryRunsStillListSockets) {
    FakeTools tools;
    tools.sockets = "p20\ncnode\nn*:3000\n";
    const auto entries = tools.list();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(entries[0].parentChain.empty());
    EXPECT_EQ(entries[0].rootPid, 20);
    EXPECT_FALSE(entries[0].cwd.has_value());
}

TEST(WorkingDirectories, RealProcessesAndGoneOnes) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("my app"));
    test::Child sleeper({"/bin/sleep", "30"}, {.cwd = dir.file("my app"), .captureStdout = false});
    test::Child finished({"/bin/true"}, {.cwd = dir.path(), .captureStdout = false});
    ASSERT_GE(finished.waitExit(5), 0);
    const auto found = platform::workingDirectories({sleeper.pid(), finished.pid(), 0, -3}, PortCore::runTool);
    EXPECT_EQ(found.size(), 1u);
    EXPECT_EQ(found.at(sleeper.pid()), dir.file("my app"));
}

} // namespace moorix
