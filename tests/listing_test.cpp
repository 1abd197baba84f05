#include "core/listing.h"
#include "core/platform/platform.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace moorix {

namespace {

// Answers the three tool runs of a listing from canned text and records every call.
struct FakeTools {
    std::string sockets, processes, cwds;
    std::vector<std::vector<std::string>> calls;

    PortCore::ToolRunner runner() {
        return [this](const std::string& path, const std::vector<std::string>& args, double timeout) {
            EXPECT_EQ(timeout, 5.0);
            calls.push_back(args);
            if (path == platform::psPath()) return processes;
            EXPECT_EQ(path, platform::lsofPath());
            return args.front() == "-a" ? cwds : sockets;
        };
    }
};

} // namespace

TEST(Listing, NoSocketsMeansTwoToolRunsAndNothing) {
    FakeTools tools;
    EXPECT_TRUE(PortCore::listPorts(tools.runner()).empty());
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
    tools.cwds = "p20\nfcwd\nn" + dir.file("shop") + "\np30\nn/\np50\nn/proc/50/cwd (readlink: Permission denied)\n";

    const auto entries = PortCore::listPorts(tools.runner());
    ASSERT_EQ(tools.calls.size(), 3u);
    EXPECT_EQ(tools.calls[2], (std::vector<std::string>{"-a", "-p", "20,30,40,50", "-d", "cwd", "-F", "pn"}));
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].port, 22);
    EXPECT_FALSE(entries[0].cwd.has_value()) << "no directory listed";
    for (int i : {1, 2}) {
        EXPECT_EQ(entries[i].cwd, dir.file("shop"));
        EXPECT_EQ(entries[i].project, "shop-frontend");
        EXPECT_EQ(entries[i].parentChain, std::vector<std::string>{"npm"});
    }
    EXPECT_FALSE(entries[3].cwd.has_value()) << "the root directory names no project";
#if defined(__linux__)
    EXPECT_FALSE(entries[4].cwd.has_value()) << "an unreadable directory is unknown, not a path";
    EXPECT_FALSE(entries[4].project.has_value());
#endif
}

TEST(Listing, FailedProcessAndDirectoryRunsStillListSockets) {
    FakeTools tools;
    tools.sockets = "p20\ncnode\nn*:3000\n";
    const auto entries = PortCore::listPorts(tools.runner());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(entries[0].parentChain.empty());
    EXPECT_EQ(entries[0].rootPid, 20);
    EXPECT_FALSE(entries[0].cwd.has_value());
}

} // namespace moorix
