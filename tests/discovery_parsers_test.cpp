#include "core/listing/cwd.h"
#include "core/listing/lsof.h"
#include "core/listing/process_table.h"
#include "core/platform/lsof_cwd.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace moorix {

using PortCore::parseLsof;

// One entry per process and port, sorted, equal ports by pid, with ancestry. An entry before any process or
// after a malformed pid has pid 0, fields do not leak into the next process, and what is no port is skipped.
TEST(LsofParse, OneEntryPerProcessAndPortSortedWithAncestryAndWhatItCannotReadSkipped) {
    const ProcessTable table{{100, {50, "node"}}, {50, {1, "/usr/local/bin/npm"}}};
    const auto entries =
        parseLsof("n*:7000\np12x\ncbad\nn*:7001\np5\ncok\nnlocalhost\nn*:http\nn*:\nn/dev/null\n"
                  "p+6\ncplus\nn*:7002\np99999999999\nn*:7003\np300\ncb\nn[::1]:8080\n"
                  "p100\ncnode\nLdev\nf21\nPTCP\nn*:3000\nf22\nPTCP\nn[::1]:3000\n"
                  "p200\nca\nn*:8080\n",
                  table);
    EXPECT_EQ(entries, (std::vector<PortEntry>{{3000, "*", 100, "node", "dev", {"npm"}, 50, {}, {}},
                                               {7000, "*", 0, "", "", {}, 0, {}, {}},
                                               {7001, "*", 0, "bad", "", {}, 0, {}, {}},
                                               {7002, "*", 6, "plus", "", {}, 6, {}, {}},
                                               {7003, "*", 0, "", "", {}, 0, {}, {}},
                                               {8080, "*", 200, "a", "", {}, 200, {}, {}},
                                               {8080, "[::1]", 300, "b", "", {}, 300, {}, {}}}));
    auto ports =
        PortCore::parseListeningPortNumbers("p1\nn127.0.0.1:5432\nn[::1]:5432\nnnone\nn*:x\np2\nn*:80\n");
    std::sort(ports.begin(), ports.end());
    EXPECT_EQ(ports, (std::vector<std::int64_t>{80, 5432}));
}

TEST(ProcessTableParse, ColumnsNamesAndAwkwardLines) {
    const auto table =
        PortCore::parseProcessTable("  123     1 /Applications/Some App.app/Contents/MacOS/Some App\n"
                                    "  400   300 npm run dev\n\n  77\n  78 1\nabc 1 x\n  79 zz x\n"
                                    "99999999999 1 big\n  400   301 replaced\n");
    // A later line wins.
    EXPECT_EQ(table, (ProcessTable{{123, {1, "/Applications/Some App.app/Contents/MacOS/Some App"}},
                                   {400, {301, "replaced"}}}));
    EXPECT_EQ(PortCore::processName(table.at(123).comm), "Some App");
    EXPECT_EQ(PortCore::processName("/usr/bin/"), "bin");
}

TEST(DevTree, AncestryAndTopDevelopmentAncestor) {
    ProcessTable table{{500, {400, "/usr/local/bin/node"}},
                       {400, {300, "npm run dev"}},
                       {300, {200, "/bin/zsh"}},
                       {200, {1, "/System/Applications/Utilities/Terminal.app/Contents/MacOS/Terminal"}}};
    const Ancestry origin = PortCore::ancestry(500, table);
    EXPECT_EQ(origin.chain, (std::vector<std::string>{"npm run dev", "zsh", "Terminal"}));
    EXPECT_EQ(origin.rootPid, 200);
    EXPECT_EQ(PortCore::ancestry(200, table).rootPid, 200);
    EXPECT_EQ(PortCore::ancestry(999, table).rootPid, 999);
    EXPECT_EQ(PortCore::topDevAncestor(500, table), 400);
    table[300].comm = "node";
    table[400].comm = "next-server (v14.1.0)";
    EXPECT_EQ(PortCore::topDevAncestor(500, table), 300);
    EXPECT_EQ(PortCore::topDevAncestor(999, table), 999);

    ProcessTable deep{{10, {11, "node"}}, {11, {10, "npm"}}}; // a corrupt, cyclic snapshot
    for (std::int32_t pid = 20; pid <= 60; ++pid) deep[pid] = {pid + 1, "node"};
    EXPECT_EQ(PortCore::ancestry(20, deep).chain.size(), 20u);
    EXPECT_EQ(PortCore::ancestry(20, deep).rootPid, 40);
    EXPECT_EQ(PortCore::ancestry(10, deep).chain.size(), 20u);
    EXPECT_NE(PortCore::topDevAncestor(10, deep), 0) << "ends on a cycle";
}

TEST(WorkingDirectoryParse, PathsWithSpacesAndUnattributedNames) {
    const auto map =
        PortCore::cwdMap("n/before/any\np12\nfcwd\nn/Users/dev/my app\npjunk\nn/lost\np13\nn/a\nn/b\n");
    EXPECT_EQ(map, (std::unordered_map<std::int32_t, std::string>{{12, "/Users/dev/my app"}, {13, "/b"}}));
}

TEST(ProjectName, ManifestNameOrFolderName) {
    test::TempDir dir;
    const std::string shop = dir.file("shop");
    std::filesystem::create_directory(shop);
    EXPECT_EQ(PortCore::projectName(shop + "/"), "shop");
    using Case = std::pair<const char*, const char*>;
    for (const auto& [manifest, expected] :
         {Case{R"({"name":"shop-frontend"})", "shop-frontend"}, Case{R"({"name":""})", ""},
          Case{R"({"name":5})", "shop"}, Case{R"({"name":null})", "shop"},
          Case{R"([{"name":"array"}])", "shop"}, Case{R"({"name":"broken")", "shop"}}) {
        dir.write("shop/package.json", manifest);
        EXPECT_EQ(PortCore::projectName(shop), expected) << manifest;
    }
    std::filesystem::remove(shop + "/package.json");
    std::filesystem::create_directory(shop + "/package.json");
    EXPECT_EQ(PortCore::projectName(shop), "shop") << "a directory named package.json";
}

} // namespace moorix
