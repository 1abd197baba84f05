#include "app/cli/modes.h"

#include "core/listing/port_sampler.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <thread>

namespace moorix::cli {

namespace {

constexpr std::chrono::milliseconds checkEvery{100};

} // namespace

int waitMode(const std::vector<std::int64_t>& ports, double seconds, bool untilFree) {
    using Clock = std::chrono::steady_clock;
    const auto deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    // One sampler for the whole wait: it remembers which sockets a process holds, so that a check with no
    // new socket reads only the kernel's table.
    PortCore::PortSampler sampler;
    std::vector<std::int64_t> pending = ports;
    bool listed = false;
    for (;;) {
        if (const auto live = sampler.listeningPorts()) {
            // A failed sample says nothing about the ports: neither waited-for state is taken from it.
            listed = true;
            const std::set<std::int64_t> listening(live->begin(), live->end());
            pending.clear();
            for (std::int64_t port : ports)
                if (listening.contains(port) == untilFree) pending.push_back(port);
            if (pending.empty()) return 0;
        }
        const auto now = Clock::now();
        if (now >= deadline) break;
        std::this_thread::sleep_for(std::min<Clock::duration>(checkEvery, deadline - now));
    }
    std::string named;
    for (std::int64_t port : pending) named += (named.empty() ? "" : ",") + std::to_string(port);
    if (!listed)
        std::fprintf(stderr, "moorix: the listening sockets could not be listed for %g s\n", seconds);
    else
        std::fprintf(stderr, "moorix: %s after %g s: %s\n",
                     untilFree ? "still listening" : "nothing listening", seconds, named.c_str());
    return 1;
}

} // namespace moorix::cli
