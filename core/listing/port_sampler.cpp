#include "core/listing/port_sampler.h"

#include "core/listing/lsof.h"
#include "core/platform/kernel_sources.h"
#include "core/platform/test_seams.h"

#include <chrono>
#include <set>

namespace moorix::PortCore {

namespace {

double monotonicSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

PortSampler::Kernel PortSampler::systemKernel() {
    return {[]() -> std::optional<std::vector<ListeningSocket>> {
                if (toolsOnly()) return std::nullopt;
                return platform::listeningSockets();
            },
            platform::heldSockets};
}

PortSampler::PortSampler(ToolRunner run, Kernel kernel, std::function<double()> clock)
    : m_run(std::move(run)), m_kernel(std::move(kernel)),
      m_clock(clock ? std::move(clock) : monotonicSeconds) {}

std::optional<std::vector<std::int64_t>> PortSampler::listeningPorts() {
    const auto sockets = m_kernel.sockets();
    if (!sockets) return listeningPortNumbersFromLsof(m_run);

    const double now = m_clock();
    std::unordered_map<std::uint64_t, Verdict> verdicts;
    std::vector<ListeningSocket> undecided;
    for (const auto& socket : *sockets) {
        const auto known = m_verdicts.find(socket.key);
        if (known != m_verdicts.end() &&
            (known->second.held || now - known->second.decidedAt < recheckUnheldAfter))
            verdicts.insert(*known);
        else
            undecided.push_back(socket);
    }
    if (!undecided.empty()) {
        const auto held = m_kernel.held(undecided);
        for (const auto& socket : undecided)
            verdicts.insert_or_assign(socket.key, Verdict{held.contains(socket.key), now});
    }
    // Only the sockets listening now are remembered.
    m_verdicts = std::move(verdicts);

    std::set<std::int64_t> ports;
    for (const auto& socket : *sockets)
        if (m_verdicts.at(socket.key).held) ports.insert(socket.port);
    return std::vector<std::int64_t>(ports.begin(), ports.end());
}

} // namespace moorix::PortCore
