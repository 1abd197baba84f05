#include "core/listing.h"
#include "core/platform/platform.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unordered_map>

namespace moorix {

namespace {

// Canned tool output and working directories; every tool run and directory lookup is recorded.
struct FakeWorld {
    std::string sockets, processes;
    std::unordered_map<std::int32_t, std::string> cwds;
    std::vector<std::vector<std::string>> runs;
    std::vector<std::vector<std::int32_t>> lookups;

    std::vector<PortEntry> list() {
        return PortCore::listPorts(
            [this](const std::string& path, const std::vector<std::string>& args, double) {
                runs.push_back(args);
                return path == platform::psPath() ? processes : sockets;
            },
            [this](const std::vector<std::int32_t>& pids, const PortCore::ToolRunner&) {
                lookups.push_back(pids);
                std::unordered_map<std::int32_t, std::string> found;
                for (auto pid : pids)
                    if (cwds.contains(pid)) found[pid] = cwds[pid];
                return found;
            });
    }
};

} // namespace

TEST(Listing, NoSocketsMeansTwoToolRunsAndNothing) {
    FakeWorld world;
    EXPECT_TRUE(world.list().empty());
    EXPECT_EQ(world.runs, (std::vector<std::vector<std::string>>{
                              {"-F", "pcRuLPn", "-iTCP", "-sTCP:LISTEN", "-n", "-P", "+c0"}, {"-axo", "pid=,ppid=,comm="}}));
    EXPECT_TRUE(world.lookups.empty());
}

TEST(Listing, FoldersAndProjectsFromOneLookupOfDistinctPids) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("shop"));
    dir.write("shop/package.json", R"({"name":"shop-frontend"})");
    FakeWorld world;
    world.sockets = "p20\ncnode\nn*:3000\nn*:3001\np30\ncpostgres\nn127.0.0.1:5432\np40\ncsshd\nn*:22\n";
    world.processes = "20 10 node\n10 1 npm\n";
    world.cwds = {{20, dir.file("shop")}, {30, "/"}};

    const auto entries = world.list();
    EXPECT_EQ(world.lookups, (std::vector<std::vector<std::int32_t>>{{20, 30, 40}}));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_FALSE(entries[0].cwd.has_value()) << "no directory found";
    for (int i : {1, 2}) {
        EXPECT_EQ(entries[i].project, "shop-frontend");
        EXPECT_EQ(entries[i].parentChain, std::vector<std::string>{"npm"});
    }
    EXPECT_FALSE(entries[3].project.has_value()) << "the root directory names no project";
}

TEST(WorkingDirectories, RealProcessesAndGoneOnes) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("my app"));
    test::Child sleeper({"/bin/sleep", "30"}, {.cwd = dir.file("my app"), .captureStdout = false});
    test::Child finished({"/bin/true"}, {.cwd = dir.path(), .captureStdout = false});
    ASSERT_GE(finished.waitExit(5), 0);
    const auto found = platform::workingDirectories({sleeper.pid(), finished.pid(), 0, -3}, PortCore::runTool);
    EXPECT_EQ(found, (std::unordered_map<std::int32_t, std::string>{{sleeper.pid(), dir.file("my app")}}));
}

} // namespace moorix
