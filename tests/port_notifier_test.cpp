#include "app/services/port_notifier.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace moorix {

using namespace std::chrono_literals;

// A sampler world set by hand, with a history file of its own; messages come out as "key:port".
class NotifierTest : public ::testing::Test {
protected:
    PortNotifier::World world() {
        return {[this] { return sampleFails ? std::nullopt : std::optional(ports); },
                [this] { return listingFails ? std::nullopt : std::optional(entries); },
                [this](std::int32_t pid) { return alive.contains(pid); },
                [](std::int32_t) { return std::nullopt; },
                [](std::int32_t) { return false; },
                [this] { return watched; },
                [](std::string_view key, std::int64_t port) {
                    return std::string(key) + ":" + std::to_string(port);
                },
                [this](const std::string& message) { notices.push_back(message); },
                [this](int count) { counts.push_back(count); },
                [this] { return now; },
                [](bool) { return 5ms; }};
    }
    void tick(int samples = 1) {
        for (int sample = 0; sample < samples; ++sample) {
            now += 5s;
            m_notifier.tick();
        }
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

    std::vector<std::string> history() {
        std::vector<std::string> lines;
        for (const PortEvent& event : m_history.events(Instant::min()))
            lines.push_back(std::string(rawValue(event.action)) + " " + std::to_string(event.port));
        return lines;
    }

    std::vector<std::int64_t> ports;
    std::vector<PortEntry> entries;
    bool sampleFails = false, listingFails = false;
    std::set<std::int32_t> alive;
    std::set<std::int64_t> watched;
    std::vector<std::string> notices;
    std::vector<int> counts;
    Instant now = Instant(std::chrono::seconds(1'800'000'000));
    test::TempDir m_dir;
    History m_history{m_dir.file("history.jsonl")};
    PortNotifier m_notifier{m_history, world()};
};

TEST_F(NotifierTest, CrashIsNotifiedOnceAndAgainAfterListeningAgain) {
    tick(); // baseline
    serve(3000, 50);
    tick();
    stopListening(3000); // the process lives on: a crash
    tick(3);
    serve(3000, 51);
    tick(2);
    EXPECT_EQ(notices, std::vector<std::string>{"notif_crashed:3000"})
        << "told once while in the 30 s window, also when another server takes the port";
    stopListening(3000);
    tick();
    serve(4000, 60);
    tick();
    alive.erase(60); // gone with its port: not a crash
    stopListening(4000);
    tick();
    EXPECT_EQ(notices, (std::vector<std::string>{"notif_crashed:3000", "notif_crashed:3000"}));
}

// A socket listing that hangs, is missing or is killed must not read as every port closing.
TEST_F(NotifierTest, ASampleThatWasNotTakenChangesNothingAndWatchingAgainStartsAfresh) {
    serve(5432, 40); // listening since before the start, as are ports counted only if in 1024-9999, once
    ports.insert(ports.end(), {1023, 1024, 9999, 10000, 1024});
    watched = {4321, 5432};
    tick();
    serve(4321, 50);
    tick();
    sampleFails = true;
    tick(2);
    sampleFails = false;
    tick();
    EXPECT_EQ(history(), std::vector<std::string>{"opened 4321"}) << "neither closings nor reopenings";
    EXPECT_EQ(notices, std::vector<std::string>{"notif_opened:4321"}) << "no crash, no watched port closing";
    EXPECT_EQ(counts, (std::vector<int>{3, 4, 4})) << "a count only from the samples taken";

    serve(8080, 60);
    listingFails = true; // the full listing fails right when a port opens: it is recorded a sample later
    tick();
    listingFails = false;
    tick(2);
    stopListening(4321); // a real crash is still told, once
    tick(2);
    EXPECT_EQ(history(), (std::vector<std::string>{"opened 4321", "opened 8080", "closed 4321"}));
    EXPECT_EQ(notices,
              (std::vector<std::string>{"notif_opened:4321", "notif_crashed:4321", "notif_closed:4321"}));

    watched.clear();
    tick();
    serve(4321, 70);
    tick();
    watched = {4321};
    tick(); // listening when watched again: a fresh baseline, not an opening
    EXPECT_EQ(notices.size(), 3u);
}

TEST_F(NotifierTest, SamplesNeverOverlapAndStopWaitsForTheCurrentOne) {
    std::atomic<int> running{0}, overlaps{0}, samples{0};
    PortNotifier::World slow = world();
    slow.listeningPorts = [&] {
        overlaps += running.fetch_add(1) > 0;
        std::this_thread::sleep_for(30ms);
        running.fetch_sub(1);
        ++samples;
        return std::vector<std::int64_t>{};
    };
    slow.now = [] { return currentInstant(); };
    PortNotifier notifier(m_history, slow);
    notifier.start();
    notifier.start(); // no second loop
    ASSERT_TRUE(test::waitUntil([&] { return samples >= 5 && running == 1; }, 10));
    notifier.stop(); // quitting while a sample is in progress
    EXPECT_EQ(running, 0) << "stop waited for it";
    EXPECT_EQ(overlaps, 0);
}

} // namespace moorix
