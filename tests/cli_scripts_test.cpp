#include "app/cli/command_line.h"
#include "core/history/history.h"
#include "core/history/port_event.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <set>

namespace moorix {

using test::Child;
using test::listener;
using test::listeningPort;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The next event the watch prints on one of `ports` within `seconds` ("opened PID" or "closed PID ENDING"),
// checked to be a history record written exactly as the history writes it; the events of other ports are
// skipped, as other programs on this machine may open and close theirs meanwhile.
std::string nextEvent(Child& watch, const std::set<std::int64_t>& ports, double seconds = 3) {
    const auto start = Clock::now();
    for (double left = seconds; left > 0; left = seconds - secondsSince(start)) {
        const std::string line = watch.readLine(left);
        if (line.empty()) break;
        const auto event = decodeEventLine(line);
        EXPECT_TRUE(event && encodeEventLine(*event) == line) << line;
        if (!event || !ports.contains(event->port)) continue;
        const std::string ending = event->ending ? " " + std::string(rawValue(*event->ending)) : "";
        return std::string(rawValue(event->action)) + " " + std::to_string(event->pid) + ending;
    }
    return "nothing";
}

} // namespace

// The ports that a watch prints on are opened by the test after it started; each ending comes from the
// same judgement as the history's: a stop by `moorix --kill` in another process, a process gone, a
// process alive that stopped listening.
TEST(WatchMode, PrintsEachOpeningAndClosingAsItHappensAndWritesNoHistory) {
    Child before(listener());
    const std::int64_t beforePort = listeningPort(before);
    Child plain({MOORIX_BINARY, "--watch"});
    Child all({MOORIX_BINARY, "--watch", "--all"});
    EXPECT_EQ(nextEvent(all, {beforePort}, 5), "opened " + std::to_string(before.pid()));

    // One at a time: openings in one sample come in port order.
    std::set<std::int64_t> ours;
    const auto opens = [&](Child& server) {
        const std::int64_t port = listeningPort(server);
        ours.insert(port);
        EXPECT_EQ(nextEvent(all, ours), "opened " + std::to_string(server.pid()));
        return port;
    };
    Child killed(listener());
    const std::int64_t killedPort = opens(killed);
    Child exited(listener());
    opens(exited);
    Child stopped(listener({"--stop-on-usr1"}));
    opens(stopped);
    Child stop({MOORIX_BINARY, "--kill", std::to_string(killedPort)});
    EXPECT_EQ(killed.waitExit(5), 128 + SIGTERM) << "reaped at once, so the stop and the watch see it gone";
    EXPECT_EQ(stop.waitExit(5), 0);
    EXPECT_EQ(nextEvent(all, ours), "closed " + std::to_string(killed.pid()) + " killedByMoorix");
    exited.kill();
    EXPECT_EQ(nextEvent(all, ours), "closed " + std::to_string(exited.pid()) + " parentExited");
    ::kill(stopped.pid(), SIGUSR1);
    EXPECT_EQ(nextEvent(all, ours), "closed " + std::to_string(stopped.pid()) + " unexpected");

    before.kill();
    EXPECT_EQ(nextEvent(all, {beforePort}), "closed " + std::to_string(before.pid()) + " parentExited");
    ::kill(all.pid(), SIGTERM);
    EXPECT_EQ(all.waitExit(5), 0);
    // The plain watch saw the same, but not the port that was open before it started.
    ::kill(plain.pid(), SIGINT);
    EXPECT_EQ(plain.waitExit(5), 0);
    ours.insert(beforePort);
    EXPECT_EQ(nextEvent(plain, ours, 1), "opened " + std::to_string(killed.pid()));
    EXPECT_FALSE(std::filesystem::exists(History::defaultPath())) << "a watch records no history";
}

// A reader that goes away ends an idle watch at once, and that is no failure.
TEST(WatchMode, EndsWithStatusZeroWhenItsReaderGoes) {
    Child server(listener());
    listeningPort(server);
    Child pipeline(
        {"/bin/bash", "-c", MOORIX_BINARY " --watch --all | head -n 1 >/dev/null; echo ${PIPESTATUS[0]}"});
    EXPECT_EQ(pipeline.readLine(10), "0");
}

TEST(WaitMode, ReturnsOnceThePortListensOrIsFreeAndOneAfterTheTimeLimit) {
    const std::string port = std::to_string(test::unusedLoopbackPort());
    using Args = std::vector<std::string>;
    for (const Args& bad :
         {Args{"--wait"}, Args{"--wait", "x"}, Args{"--wait", "0"}, Args{"--wait-free", "70000"},
          Args{"--wait", port, "soon"}, Args{"--wait", port, "-1"}, Args{"--wait", port + ",", "1"}}) {
        const auto result = test::runMoorix(bad);
        EXPECT_EQ(result.out + std::to_string(result.status), "2") << bad.back();
    }
    const auto start = Clock::now();
    EXPECT_EQ(test::runMoorix({"--wait", port, "0.3"}).status, 1);
    EXPECT_GE(secondsSince(start), 0.3);

    Child waiting({MOORIX_BINARY, "--wait", port, "20"});
    EXPECT_EQ(waiting.waitExit(0.5), -1) << "nothing listens yet";
    Child server(listener({"--port", port}));
    listeningPort(server);
    EXPECT_EQ(waiting.waitExit(1.5), 0) << "within a second and a half";

    Child freeing(
        {MOORIX_BINARY, "--wait-free", port + "," + std::to_string(test::unusedLoopbackPort()), "20"});
    EXPECT_EQ(freeing.waitExit(0.5), -1) << "the port still listens";
    server.kill();
    EXPECT_EQ(freeing.waitExit(1.5), 0);
}

// Each port of a list is stopped as one port alone would be, in the order given; a port with no listener is
// no failure, and a list that cannot be read stops nothing at all.
TEST(PortLists, StopEveryLiveListenerInOrderOrNothingWhenMalformed) {
    Child first(listener()), second(listener());
    const std::string a = std::to_string(listeningPort(first)), b = std::to_string(listeningPort(second));
    // Two listeners on neighbouring ports, so that a range holds nothing but them: a stop must never reach a
    // process the test did not start.
    std::unique_ptr<Child> low, high;
    std::int64_t lowPort = 0;
    for (int attempt = 0; attempt < 20 && !high; ++attempt) {
        low = std::make_unique<Child>(listener());
        lowPort = listeningPort(*low);
        high = std::make_unique<Child>(listener({"--port", std::to_string(lowPort + 1)}));
        if (high->readLine().empty()) high.reset();
    }
    ASSERT_TRUE(high) << "no two neighbouring loopback ports are free";
    const std::string range = std::to_string(lowPort) + "-" + std::to_string(lowPort + 1);
    // Every list below names only the test's own listeners, so that a fault would stop nothing else.
    std::string tooLong = a;
    for (int more = 0; more < 1024; ++more) tooLong += "," + a;

    for (const std::string& malformed :
         {b + "," + a + ",x", a + ",," + b, std::to_string(lowPort + 1) + "-" + std::to_string(lowPort),
          a + ",70000", tooLong}) {
        const auto result = test::runMoorix({"--kill", malformed});
        EXPECT_EQ(result.out + std::to_string(result.status), "2") << malformed;
        EXPECT_EQ(test::runMoorix({"--kill-tree", malformed}).status, 2) << malformed;
    }
    EXPECT_FALSE(cli::runCommandLine({"moorix", "--kill", "abc"}).has_value());
    EXPECT_TRUE(first.alive() && second.alive() && low->alive() && high->alive());

    Child stop({MOORIX_BINARY, "--kill",
                b + "," + range + "," + std::to_string(test::unusedLoopbackPort()) + "," + a});
    // Reaped as they end, so that the stop sees each one gone at once rather than as a zombie.
    const std::vector<Child*> servers{&first, &second, low.get(), high.get()};
    EXPECT_TRUE(test::waitUntil([&] { return std::ranges::none_of(servers, &Child::alive); }, 20));
    for (Child* server : servers) EXPECT_EQ(server->waitExit(0), 128 + SIGTERM);
    EXPECT_EQ(stop.waitExit(10), 0);
    std::string pids;
    for (std::string line; !(line = stop.readLine(1)).empty();)
        pids += line.substr(line.rfind(' ') + 1) + " ";
    EXPECT_EQ(pids, std::to_string(second.pid()) + " " + std::to_string(low->pid()) + " " +
                        std::to_string(high->pid()) + " " + std::to_string(first.pid()) + " ");
}

} // namespace moorix
