#include "core/insights.h"
#include "core/recorder.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <set>

namespace moorix {

namespace {

using namespace std::chrono_literals;

const Instant kT0 = std::chrono::sys_days{std::chrono::year{2026} / 12 / 5};

PortEntry entry(std::int64_t port, std::int32_t pid, std::string command = "node", std::string user = "dev") {
    return PortEntry{port, "127.0.0.1", pid, std::move(command), std::move(user), {"npm", "zsh"}, 1, "/w/shop", "shop"};
}

class RecorderSequence : public ::testing::Test {
protected:
    void tick(Instant now, std::set<std::int64_t> ports) {
        recorder.record(now, ports, [&] {
            ++resolveCalls;
            return listing;
        }, [&](std::int32_t pid) { return alive.contains(pid); });
    }
    std::vector<PortEvent> written() { return history.events(Instant::min()); }

    test::TempDir dir;
    History history{dir.file("history.jsonl")};
    std::set<std::int32_t> killedByUs, alive, argvReadable;
    Recorder recorder{history,
                      [this](std::int32_t pid) -> std::optional<std::vector<std::string>> {
                          if (!argvReadable.contains(pid)) return std::nullopt;
                          return std::vector<std::string>{"node", "server.js", std::to_string(pid)};
                      },
                      [this](std::int32_t pid) { return killedByUs.contains(pid); }};
    std::vector<PortEntry> listing;
    int resolveCalls = 0;
};

} // namespace

TEST_F(RecorderSequence, BaselineThenOpeningThenClosing) {
    listing = {entry(3000, 10), entry(5173, 11)};
    tick(kT0, {3000, 5173});
    EXPECT_TRUE(written().empty());
    EXPECT_EQ(resolveCalls, 0);

    listing.push_back(entry(8080, 12));
    argvReadable = {12};
    tick(kT0 + 5s, {3000, 5173, 8080});
    EXPECT_EQ(resolveCalls, 1);
    auto events = written();
    ASSERT_EQ(events.size(), 1u);
    const PortEvent expectedOpening{kT0 + 5s, EventAction::opened, 8080, 12, "node", {"npm", "zsh"}, "dev", "127.0.0.1",
                                    "/w/shop", "shop", std::vector<std::string>{"node", "server.js", "12"}, std::nullopt};
    EXPECT_EQ(events[0], expectedOpening);

    tick(kT0 + 10s, {3000, 5173, 8080});
    EXPECT_EQ(resolveCalls, 1) << "an unchanged set does not list";
    EXPECT_EQ(written().size(), 1u);

    tick(kT0 + 15s, {5173});
    EXPECT_EQ(resolveCalls, 1) << "closings do not list";
    events = written();
    ASSERT_EQ(events.size(), 2u) << "3000 was open at the baseline: no event";
    PortEvent expectedClosing = expectedOpening;
    expectedClosing.at = kT0 + 15s;
    expectedClosing.action = EventAction::closed;
    expectedClosing.argv.reset();
    expectedClosing.ending = Ending::parentExited;
    EXPECT_EQ(events[1], expectedClosing);
}

TEST_F(RecorderSequence, EndingsTestKilledByUsFirstThenLiveness) {
    tick(kT0, {});
    listing = {entry(4001, 21), entry(4002, 22), entry(4003, 23), entry(4004, 24)};
    tick(kT0 + 1s, {4001, 4002, 4003, 4004});
    killedByUs = {21, 22};
    alive = {21, 23};
    tick(kT0 + 2s, {});
    std::map<std::int64_t, Ending> endings;
    for (const auto& e : written())
        if (e.action == EventAction::closed) endings[e.port] = *e.ending;
    EXPECT_EQ(endings, (std::map<std::int64_t, Ending>{{4001, Ending::killedByMoorix},
                                                       {4002, Ending::killedByMoorix},
                                                       {4003, Ending::unexpected},
                                                       {4004, Ending::parentExited}}));
}

TEST_F(RecorderSequence, SharedPortsUnresolvedPortsAndOrderWithinOneCall) {
    tick(kT0, {7000});
    listing = {entry(7000, 5), entry(8080, 10), entry(8080, 11)};
    tick(kT0 + 1s, {7000, 8080, 9090}); // 9090 vanished before the listing: unresolved
    EXPECT_EQ(resolveCalls, 1);
    listing = {entry(6000, 30)};
    tick(kT0 + 2s, {6000, 7000}); // one call that both opens and closes
    EXPECT_EQ(resolveCalls, 2);
    tick(kT0 + 3s, {6000, 7000});
    EXPECT_EQ(resolveCalls, 2) << "9090 is remembered as seen";

    const auto events = written();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].pid, 10);
    EXPECT_EQ(events[1].pid, 11);
    EXPECT_EQ(events[2].action, EventAction::opened) << "openings come before closings";
    EXPECT_EQ(events[2].port, 6000);
    EXPECT_EQ(events[3].action, EventAction::closed);
    EXPECT_EQ(events[3].pid, 11) << "the last opening on the port is remembered";
    EXPECT_EQ(events[3].at, events[2].at);
    EXPECT_FALSE(events[0].argv.has_value()) << "an unreadable argument vector stays absent";
}

TEST_F(RecorderSequence, EmptyListingGivesNoEventsNowOrLater) {
    tick(kT0, {});
    tick(kT0 + 1s, {3000});
    tick(kT0 + 2s, {});
    EXPECT_EQ(resolveCalls, 1);
    EXPECT_TRUE(written().empty());
}

TEST(Insights, Orphans) {
    const std::vector<PortEntry> entries{entry(80, 1), entry(10000, 2), entry(3000, 3, "node", "_www"),
                                         entry(3001, 4, "node", "root"), entry(3002, 5, "launchd"), entry(3003, 6),
                                         entry(3004, 7), entry(1024, 8), entry(9999, 9)};
    std::vector<std::int32_t> asked;
    const auto found = Insights::orphans(entries, [&](std::int32_t pid) -> std::optional<std::int32_t> {
        asked.push_back(pid);
        if (pid == 7) return std::nullopt;
        return pid == 6 || pid == 8 || pid == 9 ? 1 : pid == 1 ? 0 : 1;
    });
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].pid, 6);
    EXPECT_EQ(found[1].pid, 8);
    EXPECT_EQ(found[2].pid, 9);
    EXPECT_EQ(asked, (std::vector<std::int32_t>{6, 7, 8, 9})) << "only ordinary development servers are looked up";
    EXPECT_TRUE(Insights::orphans({}, [](std::int32_t) { return 1; }).empty());
}

TEST(Insights, StaleUsesTheLatestOpeningOfTheSameProcessAndAStrictThreshold) {
    const Instant now = kT0 + 10 * 86400s;
    auto opened = [](std::int64_t port, std::int32_t pid, Instant at) {
        return PortEvent{at, EventAction::opened, port, pid, "node", {}, "dev", "*", {}, {}, {}, {}};
    };
    const std::vector<PortEntry> entries{entry(3000, 1), entry(3001, 2), entry(3002, 3), entry(3003, 4), entry(3004, 5)};
    std::vector<PortEvent> history{
        opened(3000, 1, now - 3 * 86400s), opened(3000, 1, now - 2h),   // reopened lately: not stale
        opened(3001, 2, now - 86400s),                                   // exactly the threshold: not stale
        opened(3002, 3, now - 86401s), opened(3002, 3, now - 3 * 86400s), // latest is one second past
        opened(3003, 99, now - 5 * 86400s),                              // another pid
        opened(3004, 5, now - 5 * 86400s),
    };
    history.back().action = EventAction::closed; // closings do not count
    const auto found = Insights::stale(entries, history, now, Insights::staleThresholdDefault);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0], (Insights::Stale{entries[2], now - 86401s}));
    EXPECT_EQ(Insights::stale(entries, history, now, 3600s).size(), 3u);
    EXPECT_TRUE(Insights::stale({}, history, now, 0s).empty());
    EXPECT_TRUE(Insights::stale(entries, {}, now, 0s).empty());
}

TEST(Insights, Crashes) {
    auto closed = [](std::int64_t port, std::int32_t pid, std::optional<Ending> ending) {
        return PortEvent{kT0, EventAction::closed, port, pid, "node", {}, "dev", "*", {}, {}, {}, ending};
    };
    PortEvent opening = closed(5173, 1, Ending::unexpected);
    opening.action = EventAction::opened;
    const std::vector<PortEvent> events{closed(5173, 1, Ending::parentExited), closed(443, 2, Ending::unexpected),
                                        closed(5173, 3, Ending::unexpected), closed(5174, 4, Ending::unexpected),
                                        closed(5175, 5, Ending::killedByMoorix), opening};
    std::vector<std::int32_t> asked;
    const auto found = Insights::crashes(events, [&](std::int32_t pid) {
        asked.push_back(pid);
        return pid != 4;
    });
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].pid, 3);
    EXPECT_EQ(asked, (std::vector<std::int32_t>{3, 4}));
    EXPECT_TRUE(Insights::crashes({}, [](std::int32_t) { return true; }).empty());
}

} // namespace moorix
