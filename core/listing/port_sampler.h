#pragma once

#include "core/platform/listening_socket.h"
#include "core/platform/tool_runner.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace moorix::PortCore {

// The port numbers of the listening sockets, for a caller that samples them often. From the kernel's
// socket table when it answers, else from lsof. A socket counts only when some process this user may
// inspect holds it, as in lsof's listing and the full listing: a socket that the kernel itself or a hidden
// process holds would otherwise be counted by one and not the other. Which sockets are held is found once
// per socket and remembered, so that a sample with no new socket reads nothing but the kernel's table.
// Used by one caller at a time; it has no lock.
class PortSampler {
public:
    struct Kernel {
        // The sockets this user may see; absent when the kernel's interface is unavailable.
        std::function<std::optional<std::vector<ListeningSocket>>()> sockets;
        // Of the given sockets, the keys of those a process holds.
        std::function<std::unordered_set<std::uint64_t>(const std::vector<ListeningSocket>&)> held;
    };
    // A socket found unheld is looked at again after this many seconds, in case its holder became visible.
    static constexpr double recheckUnheldAfter = 300;

    static Kernel systemKernel();

    explicit PortSampler(ToolRunner run = runToolWithStatus, Kernel kernel = systemKernel(),
                         std::function<double()> clock = {});

    // Distinct port numbers in no particular order; absent when neither the kernel nor lsof could answer,
    // which is not "none".
    std::optional<std::vector<std::int64_t>> listeningPorts();

private:
    struct Verdict {
        bool held;
        double decidedAt;
    };

    ToolRunner m_run;
    Kernel m_kernel;
    std::function<double()> m_clock;
    std::unordered_map<std::uint64_t, Verdict> m_verdicts;
};

} // namespace moorix::PortCore
