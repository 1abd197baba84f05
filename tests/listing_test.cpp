#include "core/listing/listing.h"
#include "core/listing/port_sampler.h"
#include "core/platform/platform.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <unordered_map>
#include <unordered_set>

namespace moorix {

namespace {

using PortCore::ToolRun;

ToolRun finished(std::string output, int status = 0) { return {std::move(output), true, status}; }

// Canned tool runs and working directories; every tool run and directory lookup is recorded.
struct FakeWorld {
    ToolRun sockets = finished("", 1), processes = finished("");
    std::unordered_map<std::int32_t, std::string> cwds;
    std::vector<std::vector<std::string>> runs;
    std::vector<std::vector<std::int32_t>> lookups;

    PortCore::ToolRunner runner() {
        return [this](const std::string& path, const std::vector<std::string>& args, double) {
            runs.push_back(args);
            return path == platform::psPath() ? processes : sockets;
        };
    }
    // The kernel's listing; absent: its interfaces are unavailable.
    std::optional<std::vector<PortEntry>> kernel;

    std::optional<std::vector<PortEntry>> list() {
        const auto lookup = [this](const std::vector<std::int32_t>& pids, const PortCore::ToolRunner&) {
            lookups.push_back(pids);
            return cwds;
        };
        return PortCore::listPorts([this] { return kernel; }, runner(), lookup);
    }
    std::optional<std::vector<std::int64_t>> sample() {
        return PortCore::PortSampler(runner(), {[] { return std::nullopt; }, {}}).listeningPorts();
    }
};

} // namespace

// A listing that was not taken must never read as "nothing is listening": the notifier would record every
// port as closed, and the command line would print an empty list as if it were true. Here the kernel's
// interfaces are unavailable too, as when netlink is refused.
TEST(Listing, AListingThatWasNotTakenIsAbsentNotEmpty) {
    FakeWorld none; // lsof's status 1 without output: it found nothing, and that is an empty list
    EXPECT_EQ(none.list(), std::vector<PortEntry>{});
    EXPECT_EQ(none.runs.size(), 2u);
    EXPECT_TRUE(none.lookups.empty());
    EXPECT_EQ(none.sample(), std::vector<std::int64_t>{});

    const std::string listing = "p20\ncnode\nf3\nn*:3000\n";
    for (const auto& [run, why] : std::vector<std::pair<ToolRun, std::string>>{
             {ToolRun{}, "not started"},
             {ToolRun{listing, false, -1}, "stopped at its time limit after printing"},
             {ToolRun{"", false, -1}, "killed by a signal"},
             {finished("", 2), "an exit status lsof does not give"},
             {finished("COMMAND PID USER FD TYPE\nnode 20 dev 3u IPv4 TCP *:3000 (LISTEN)\n"), "a table"},
             {finished("p20\n\xFF\xFE garbage\n"), "bytes that are no field"}}) {
        FakeWorld world;
        world.sockets = run;
        EXPECT_EQ(world.list(), std::nullopt) << why;
        EXPECT_EQ(world.runs.size(), 1u) << why << ": nothing more is run";
        EXPECT_EQ(world.sample(), std::nullopt) << why;
    }
    FakeWorld world;
    world.sockets = finished(listing, 1); // status 1 with output is lsof's warning, not a failure
    world.processes = ToolRun{};          // a failed process snapshot costs only the ancestry
    EXPECT_EQ(world.list(), (std::vector<PortEntry>{{3000, "*", 20, "node", "", {}, 20, {}, {}}}));
    world.sockets = finished("p20\ncno\xFFname\nn*:3000\n");
    EXPECT_EQ(world.list().value().at(0).command, "no\xEF\xBF\xBDname") << "one odd byte costs only itself";
    world.sockets = finished("p20\nf3\nn*:3000\n");
    EXPECT_EQ(world.sample(), std::vector<std::int64_t>{3000});
}

// From lsof's answer as from the kernel's, which runs no tool.
TEST(Listing, FoldersAndProjectsFromOneLookupOfDistinctPids) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("shop"));
    dir.write("shop/package.json", R"({"name":"shop-frontend"})");
    FakeWorld world;
    world.sockets = finished("p20\ncnode\nn*:3000\nn*:3001\np30\ncpostgres\nn127.0.0.1:5432\n"
                             "p40\ncsshd\nn*:22\np50\ncpython3\nn*:8000\n");
    world.processes = finished("20 10 node\n10 1 npm\n");
    world.cwds = {{20, dir.file("shop")}, {30, "/"}, {50, "/srv/\xFF\xFE"}};

    const auto entries = world.list().value();
    // No folder found, the root folder, which names no project, and a folder that is not UTF-8: none is
    // known.
    std::vector<std::string> folders;
    for (const auto& entry : entries)
        folders.push_back(entry.cwd.value_or("-") + " " + entry.project.value_or("-"));
    const std::string shop = dir.file("shop") + " shop-frontend";
    EXPECT_EQ(folders, (std::vector<std::string>{"- -", shop, shop, "- -", "- -"}));
    EXPECT_EQ(entries.at(2).parentChain, std::vector<std::string>{"npm"});

    world.kernel = std::vector<PortEntry>{{3000, "*", 20, "node", "dev", {"npm"}, 10, {}, {}},
                                          {8080, "[::1]", 20, "node", "dev", {"npm"}, 10, {}, {}}};
    EXPECT_EQ(world.list().value().at(1).project, "shop-frontend");
    EXPECT_EQ(world.runs.size(), 2u) << "lsof and ps for the first listing, nothing for the kernel's";
    EXPECT_EQ(world.lookups, (std::vector<std::vector<std::int32_t>>{{20, 30, 40, 50}, {20}}));
}

TEST(PortSamplerTest, CountsHeldSocketsAndAsksOnlyAboutNewOnes) {
    using Family = ListeningSocket::Family;
    std::vector<ListeningSocket> sockets{
        {Family::V4, {}, 3000, 0, 1}, {Family::V4, {}, 2024, 0, 2}, {Family::V6, {}, 3000, 0, 3}};
    const std::set<std::uint64_t> holders{1, 3, 4}; // 2 is the kernel's own, or a hidden process's
    std::vector<std::set<std::uint64_t>> asked;
    double now = 1000;
    FakeWorld world;
    PortCore::PortSampler sampler(world.runner(),
                                  {[&] { return std::optional(sockets); },
                                   [&](const std::vector<ListeningSocket>& undecided) {
                                       std::unordered_set<std::uint64_t> held;
                                       asked.emplace_back();
                                       for (const auto& socket : undecided) {
                                           asked.back().insert(socket.key);
                                           if (holders.contains(socket.key)) held.insert(socket.key);
                                       }
                                       return held;
                                   }},
                                  [&] { return now; });
    // A socket no process holds is no port of the listing; a known socket costs no search, an unheld one is
    // looked at again in time.
    EXPECT_EQ(sampler.listeningPorts(), std::vector<std::int64_t>{3000});
    now += 10;
    EXPECT_EQ(sampler.listeningPorts(), std::vector<std::int64_t>{3000});
    sockets.push_back({Family::V4, {}, 8080, 0, 4});
    EXPECT_EQ(sampler.listeningPorts(), (std::vector<std::int64_t>{3000, 8080}));
    EXPECT_EQ(asked, (std::vector<std::set<std::uint64_t>>{{1, 2, 3}, {4}}));
    now += PortCore::PortSampler::recheckUnheldAfter;
    sockets.erase(sockets.begin());
    EXPECT_EQ(sampler.listeningPorts(), (std::vector<std::int64_t>{3000, 8080}));
    EXPECT_EQ(asked.back(), std::set<std::uint64_t>{2});
    EXPECT_TRUE(world.runs.empty());
}

} // namespace moorix
