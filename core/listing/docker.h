#pragma once

#include "core/platform/tool_runner.h"

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Which host ports the running Docker containers publish, and under which container name.
namespace moorix::Docker {

using PortMap = std::map<std::int64_t, std::string>;

// The Docker client this program trusts, looked for once per process; absent when none is.
// The panel also runs it to stop a container.
const std::optional<std::string>& binary();

// The host-port-to-container map, from a client run at most once every 30 seconds.
PortMap containerPorts();

// --- The pieces of the above, separate so that tests can reach them. ---

// Output of `docker ps --format "{{.Names}}\t{{.Ports}}"`; lines that cannot be read are skipped.
PortMap parseContainerPorts(std::string_view output);

// Root and the real user running this program may own the client; nobody else.
bool isTrustedOwner(uid_t owner);

// Whether `path` itself (a link is not followed) and every folder above it are owned by trusted owners.
bool trusted(const std::string& path);

// The first candidate that is an executable file, trusted both as written and with every link resolved.
std::optional<std::string> locateClient(const std::vector<std::string>& candidates);

PortMap fetchContainerPorts(const std::optional<std::string>& client, const PortCore::ToolRunner& run);

// A map kept for 30 seconds of a clock that counts through sleep; an empty map is kept like any other.
class ContainerPortCache {
public:
    using Fetch = std::function<PortMap()>;
    using Clock = std::function<double()>;

    static constexpr double lifetimeSeconds = 30;

    ContainerPortCache(Fetch fetch, Clock clock) : m_fetch(std::move(fetch)), m_clock(std::move(clock)) {}
    PortMap get();

private:
    Fetch m_fetch;
    Clock m_clock;
    // The lock guards the stored map only; the client never runs under it.
    std::mutex m_mutex;
    std::optional<std::pair<PortMap, double>> m_cache;
};

} // namespace moorix::Docker
