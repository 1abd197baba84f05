#include "app/services/port_notifier.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace moorix {

using namespace std::chrono_literals;

namespace {

// A sampler world that the test sets by hand, and a history file of its own.
class NotifierTest : public ::testing::Test {
protected:
    NotifierTest() : m_history(m_dir.file("history.jsonl")), m_notifier(m_history, world()) {}

    PortNotifier::World world() {
        return {
            [this] { return ports; },
            [this] { return entries; },
            [this](std::int32_t pid) { return alive.contains(pid); },
            [](std::int32_t) { return std::optional<std::vector<std::string>>{{"node", "server.js"}}; },
            [](std::int32_t) { return false; },
            [this] { return watched; },
            [](std::string_view key, std::int64_t port) { return std::string(key) + ":" + std::to_string(port); },
            [this](const std::string& message) { notices.push_back(message); },
            [this](int count) { counts.push_back(count); },
            [this] { return now; },
            [](bool) { return 20ms; },
        };
    }

    // Advances the clock by one pause and samples.
    void tick() {
        now += 5s;
        m_notifier.tick();
    }
    void serve(std::int64_t port, std::int32_t pid) {
        ports.push_back(port);
        entries.push_back(PortEntry{port, "127.0.0.1", pid, "node", "dev", {"npm"}, pid, {}, {}});
        alive.insert(pid);
    }
    void stopListening(std::int64_t port) {
        std::erase(ports, port);
        std::erase_if(entries, [&](const PortEntry& entry) { return entry.port == port; });
    }

    std::vector<std::int64_t> ports;
    std::vector<PortEntry> entries;
    std::set<std::int32_t> alive;
    std::set<std::int64_t> watched;
    std::vector<std::string> notices;
    std::vector<int> counts;
    Instant now = Instant(std::chrono::seconds(1'800'000'000));

    test::TempDir m_dir;
    History m_history;
    PortNotifier m_notifier;
};

} // namespace

TEST_F(NotifierTest, CountsDistinctDevelopmentPorts) {
    ports = {1023, 1024, 9999, 10000, 1024};
    tick();
    EXPECT_EQ(counts, std::vector<int>{2});
}

TEST_F(NotifierTest, CrashIsNotifiedOnceAndAgainAfterListeningAgain) {
    tick(); // baseline
    serve(3000, 50);
    tick();
    stopListening(3000); // the process lives on: a crash
    tick();
    EXPECT_EQ(notices, std::vector<std::string>{"notif_crashed:3000"});
    tick();
    tick();
    EXPECT_EQ(notices.size(), 1u) << "the closing stays in the 30-second window but is told once";

    serve(3000, 51);
    tick();
    stopListening(3000);
    tick();
    EXPECT_EQ(notices, (std::vector<std::string>{"notif_crashed:3000", "notif_crashed:3000"}));

    serve(4000, 60);
    tick();
    alive.erase(60); // the process went away with its port: not a crash
    stopListening(4000);
    tick();
    EXPECT_EQ(notices.size(), 2u);
}

TEST_F(NotifierTest, WatchedPortsStartFromAFreshBaseline) {
    serve(3000, 50);
    watched = {3000, 5173};
    tick();
    EXPECT_TRUE(notices.empty()) << "already listening when watched: baseline only";
    stopListening(3000);
    alive.clear(); // stopped for good, so no crash either
    tick();
    serve(3000, 52);
    tick();
    EXPECT_EQ(notices, (std::vector<std::string>{"notif_closed:3000", "notif_opened:3000"}));

    watched.clear();
    tick();
    stopListening(3000);
    alive.clear();
    watched = {3000};
    tick();
    tick();
    EXPECT_EQ(notices.size(), 2u) << "watching again sets a new baseline";
}

TEST(NotifierPause, FiveSecondsWhileWatchingElseTen) {
    EXPECT_EQ(PortNotifier::pause(true), 5s);
    EXPECT_EQ(PortNotifier::pause(false), 10s);
}

TEST(NotifierLoop, SamplesNeverOverlapAndStopWaitsForTheCurrentOne) {
    test::TempDir dir;
    History history(dir.file("history.jsonl"));
    std::atomic<int> running{0}, overlaps{0}, samples{0};
    PortNotifier::World world{
        [&] {
            if (running.fetch_add(1) > 0) ++overlaps;
            std::this_thread::sleep_for(30ms);
            running.fetch_sub(1);
            ++samples;
            return std::vector<std::int64_t>{};
        },
        [] { return std::vector<PortEntry>{}; },
        [](std::int32_t) { return false; },
        [](std::int32_t) { return std::optional<std::vector<std::string>>{}; },
        [](std::int32_t) { return false; },
        [] { return std::set<std::int64_t>{}; },
        [](std::string_view, std::int64_t) { return std::string(); },
        [](const std::string&) {},
        [](int) {},
        [] { return currentInstant(); },
        [](bool) { return 5ms; },
    };
    PortNotifier notifier(history, world);
    notifier.start();
    notifier.start(); // a second start does not make a second loop
    ASSERT_TRUE(test::waitUntil([&] { return samples >= 5; }, 10));
    ASSERT_TRUE(test::waitUntil([&] { return running == 1; }, 5));
    notifier.stop(); // quitting while a sample is in progress
    EXPECT_EQ(running, 0);
    const int done = samples;
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(samples, done) << "no sample after stop";
    EXPECT_EQ(overlaps, 0);
}

} // namespace moorix
