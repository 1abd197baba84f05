#include "core/probe.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>

namespace moorix {

using test::Child;

namespace {

using Clock = std::chrono::steady_clock;

struct Server {
    Child child;
    std::int64_t port = 0;
    explicit Server(const std::vector<std::string>& options)
        : child([&] {
              std::vector<std::string> argv{test::pythonBinary(), test::supportScript("listener.py")};
              argv.insert(argv.end(), options.begin(), options.end());
              return argv;
          }()) {
        const std::string line = child.readLine();
        if (line.empty()) throw std::runtime_error("listener did not start");
        port = std::stoll(line);
    }
};

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

} // namespace

TEST(Probe, AnyHttpStatusIsAnAnswer) {
    Server ok({"--serve", "http200"});
    Server missing({"--serve", "http404"});
    EXPECT_TRUE(PortCore::probe(ok.port));
    EXPECT_TRUE(PortCore::probe(missing.port));
}

TEST(Probe, RefusedOrImpossiblePortIsNoHttpQuickly) {
    const auto start = Clock::now();
    EXPECT_FALSE(PortCore::probe(test::unusedLoopbackPort()));
    EXPECT_LT(secondsSince(start), 1.0);
    for (std::int64_t port : {0LL, -80LL, 65536LL, 4294967376LL}) EXPECT_FALSE(PortCore::probe(port)) << port;
}

TEST(Probe, SilentListenerIsNoHttpAfterTheTimeLimit) {
    Server silent({"--serve", "silent"});
    const auto start = Clock::now();
    EXPECT_FALSE(PortCore::probe(silent.port));
    const double took = secondsSince(start);
    EXPECT_GE(took, 1.2);
    EXPECT_LE(took, 4.0);
}

TEST(Probe, NonHttpReplyIsNoHttp) {
    Server garbage({"--serve", "garbage"});
    EXPECT_FALSE(PortCore::probe(garbage.port));
}

TEST(Probe, ServerOnTheIpv6LoopbackOnlyIsHealthy) {
    Server v6({"--host", "::1", "--serve", "http200"});
    EXPECT_TRUE(PortCore::probe(v6.port));
    Server silentV6({"--host", "::1", "--serve", "silent"});
    const auto start = Clock::now();
    EXPECT_FALSE(PortCore::probe(silentV6.port));
    EXPECT_LE(secondsSince(start), 4.0) << "both addresses share one time limit";
}

TEST(Probe, NeverGoesThroughAProxy) {
    // A proxy that would answer every request: a probe sent there would wrongly come back true.
    Server proxy({"--serve", "http200"});
    const std::string address = "http://127.0.0.1:" + std::to_string(proxy.port);
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) ::setenv(name, address.c_str(), 1);
    const bool answered = PortCore::probe(test::unusedLoopbackPort());
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) ::unsetenv(name);
    EXPECT_FALSE(answered);
}

TEST(Probe, ManyProbesAtOnceEachGetTheirOwnAnswer) {
    Server ok({"--serve", "http200"});
    Server garbage({"--serve", "garbage"});
    const std::int64_t closed = test::unusedLoopbackPort();
    std::vector<std::future<bool>> answers;
    for (int i = 0; i < 12; ++i) {
        const std::int64_t port = i % 3 == 0 ? ok.port : i % 3 == 1 ? garbage.port : closed;
        answers.push_back(std::async(std::launch::async, [port] { return PortCore::probe(port); }));
    }
    for (int i = 0; i < 12; ++i) EXPECT_EQ(answers[i].get(), i % 3 == 0) << i;
}

} // namespace moorix
