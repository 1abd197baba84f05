#include "core/cwd.h"
#include "core/lsof.h"
#include "core/process_table.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace moorix {

using PortCore::parseLsof;

TEST(LsofParse, OneEntryPerProcessAndPortWithFirstAddress) {
    const auto entries = parseLsof("p100\ncnode\nLdev\nf21\nPTCP\nn*:3000\nf22\nPTCP\nn[::1]:3000\n", {});
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0], (PortEntry{3000, "*", 100, "node", "dev", {}, 100, {}, {}}));
}

TEST(LsofParse, SortsByPortThenPidAndKeepsIpv6Brackets) {
    const auto entries = parseLsof("p300\ncb\nn[::1]:8080\nn127.0.0.1:5432\np200\nca\nn*:8080\n", {});
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].port, 5432);
    EXPECT_EQ(entries[1].pid, 200);
    EXPECT_EQ(entries[2].pid, 300);
    EXPECT_EQ(entries[2].address, "[::1]");
}

TEST(LsofParse, CommandAndUserDoNotLeakIntoTheNextProcess) {
    const auto entries = parseLsof("p1\ncfirst\nLalice\nn*:1\np2\nn*:2\n", {});
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].command, "");
    EXPECT_EQ(entries[1].user, "");
}

TEST(LsofParse, SkipsWhatItCannotReadAndAttributesOrphanNamesToPidZero) {
    const auto entries = parseLsof("n*:7000\n"           // before any process
                                   "p12x\ncbad\nn*:7001\n" // malformed pid: pid 0, fields reset
                                   "p5\ncok\n"
                                   "nlocalhost\n"        // no colon
                                   "n*:http\n"           // service name
                                   "n*:\n"               // empty port
                                   "n/dev/null\n"
                                   "p+6\ncplus\nn*:7002\n"
                                   "p99999999999\nn*:7003\n",
                                   {});
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0], (PortEntry{7000, "*", 0, "", "", {}, 0, {}, {}}));
    EXPECT_EQ(entries[1], (PortEntry{7001, "*", 0, "bad", "", {}, 0, {}, {}}));
    EXPECT_EQ(entries[2].pid, 6);
    EXPECT_EQ(entries[3].pid, 0);
    EXPECT_TRUE(parseLsof("", {}).empty());
}

TEST(LsofParse, AttachesAncestryFromTheProcessTable) {
    const ProcessTable table{{100, {50, "node"}}, {50, {1, "/usr/local/bin/npm"}}};
    const auto entries = parseLsof("p100\ncnode\nn*:3000\n", table);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].parentChain, std::vector<std::string>{"npm"});
    EXPECT_EQ(entries[0].rootPid, 50);
}

TEST(LsofParse, PortNumbersAreDistinct) {
    auto ports = PortCore::parseListeningPortNumbers("p1\nn127.0.0.1:5432\nn[::1]:5432\nnnone\nn*:x\np2\nn*:80\n");
    std::sort(ports.begin(), ports.end());
    EXPECT_EQ(ports, (std::vector<std::int64_t>{80, 5432}));
}

TEST(ProcessTableParse, ColumnsAndAwkwardLines) {
    const auto table = PortCore::parseProcessTable("  123     1 /Applications/Some App.app/Contents/MacOS/Some App\n"
                                                   "  500   400 /usr/local/bin/node\n"
                                                   "  400   300 npm run dev\n"
                                                   "\n"
                                                   "  77\n"               // missing columns
                                                   "  78 1\n"              // no command
                                                   "abc 1 x\n"             // non-numeric pid
                                                   "  79 zz x\n"           // non-numeric ppid
                                                   "99999999999 1 big\n"   // beyond 32 bits
                                                   "  500   401 replaced\n"); // later line wins
    EXPECT_EQ(table.size(), 3u);
    EXPECT_EQ(table.at(123), (ProcessInfo{1, "/Applications/Some App.app/Contents/MacOS/Some App"}));
    EXPECT_EQ(PortCore::processName(table.at(123).comm), "Some App");
    EXPECT_EQ(table.at(400).comm, "npm run dev");
    EXPECT_EQ(table.at(500), (ProcessInfo{401, "replaced"}));
    EXPECT_EQ(PortCore::processName("/usr/bin/"), "bin");
    EXPECT_EQ(PortCore::processName("node"), "node");
}

class DevTreeTest : public ::testing::Test {
protected:
    ProcessTable table{{500, {400, "/usr/local/bin/node"}},
                       {400, {300, "npm run dev"}},
                       {300, {200, "/bin/zsh"}},
                       {200, {1, "/System/Applications/Utilities/Terminal.app/Contents/MacOS/Terminal"}}};
};

TEST_F(DevTreeTest, AncestryWalksToTheOutermostAncestor) {
    const Ancestry origin = PortCore::ancestry(500, table);
    EXPECT_EQ(origin.chain, (std::vector<std::string>{"npm run dev", "zsh", "Terminal"}));
    EXPECT_EQ(origin.rootPid, 200);
    EXPECT_TRUE(PortCore::ancestry(200, table).chain.empty());
    EXPECT_EQ(PortCore::ancestry(200, table).rootPid, 200);
    EXPECT_EQ(PortCore::ancestry(999, table).rootPid, 999);
}

TEST_F(DevTreeTest, TopDevAncestorTakesTheUnbrokenRunOfTools) {
    EXPECT_EQ(PortCore::topDevAncestor(500, table), 400);
    table[400].comm = "/opt/homebrew/bin/pnpm";
    EXPECT_EQ(PortCore::topDevAncestor(500, table), 400);
    table[300].comm = "node";
    EXPECT_EQ(PortCore::topDevAncestor(500, table), 300);
    table[400].comm = "next-server (v14.1.0)";
    EXPECT_EQ(PortCore::topDevAncestor(500, table), 300);
    EXPECT_EQ(PortCore::topDevAncestor(200, table), 200);
    EXPECT_EQ(PortCore::topDevAncestor(999, table), 999);
}

TEST(DevTree, ChainStopsAtTwentyAndCyclesEnd) {
    ProcessTable deep;
    for (std::int32_t pid = 2; pid <= 40; ++pid) deep[pid] = {pid + 1, "node"};
    const Ancestry origin = PortCore::ancestry(2, deep);
    EXPECT_EQ(origin.chain.size(), 20u);
    EXPECT_EQ(origin.rootPid, 22);

    const ProcessTable cycle{{10, {11, "node"}}, {11, {10, "npm"}}};
    EXPECT_EQ(PortCore::ancestry(10, cycle).chain.size(), 20u);
    const std::int32_t top = PortCore::topDevAncestor(10, cycle);
    EXPECT_TRUE(top == 10 || top == 11);
}

TEST(CwdMap, ReadsPathsWithSpacesAndSkipsUnattributedNames) {
    const auto map = PortCore::cwdMap("n/before/any\np12\nfcwd\nn/Users/dev/my app\npjunk\nn/lost\np13\nn/a\nn/b\n");
    EXPECT_EQ(map.size(), 2u);
    EXPECT_EQ(map.at(12), "/Users/dev/my app");
    EXPECT_EQ(map.at(13), "/b");
}

TEST(ProjectName, ManifestNameOrFolderName) {
    test::TempDir dir;
    const std::string shop = dir.file("shop");
    std::filesystem::create_directory(shop);
    EXPECT_EQ(PortCore::projectName(shop), "shop");
    EXPECT_EQ(PortCore::projectName(shop + "/"), "shop");

    const std::pair<const char*, const char*> manifests[] = {
        {R"({"name":"shop-frontend","version":"1.0.0"})", "shop-frontend"},
        {R"({"name":""})", ""},
        {R"({"name":"T\u00fcrk/\u00e7e"})", "T\xC3\xBCrk/\xC3\xA7" "e"},
        {R"({"name":5})", "shop"},
        {R"({"name":null})", "shop"},
        {R"({"name":{"first":"x"}})", "shop"},
        {R"([{"name":"array"}])", "shop"},
        {R"({"name":"broken")", "shop"},
        {"\"just a string\"", "shop"},
        {"", "shop"},
    };
    for (const auto& [manifest, expected] : manifests) {
        dir.write("shop/package.json", manifest);
        EXPECT_EQ(PortCore::projectName(shop), expected) << manifest;
    }

    std::filesystem::remove(shop + "/package.json");
    std::filesystem::create_directory(shop + "/package.json");
    EXPECT_EQ(PortCore::projectName(shop), "shop") << "a directory named package.json";
    EXPECT_EQ(PortCore::projectName(dir.file("gone")), "gone");
}

} // namespace moorix
