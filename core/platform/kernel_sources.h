#pragma once

#include "core/platform/listening_socket.h"
#include "core/platform/process_info.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

// What the kernel tells directly, without running a tool: listening sockets, the processes holding them,
// the process table and the figures of a process. Linux: NETLINK_SOCK_DIAG and /proc. macOS: libproc and
// sysctl. Every call answers absent when its interface is unavailable or fails, and the caller then asks
// the tools. Visibility follows lsof's: root sees every socket, anyone else only the sockets of processes
// they may inspect, which are the sockets their own uid owns.
namespace moorix::platform {

// The listening TCP sockets of both families that this user may see.
std::optional<std::vector<ListeningSocket>> listeningSockets();

// Of `sockets`, the keys of those that some process this program may inspect holds; lsof lists no other.
std::unordered_set<std::uint64_t> heldSockets(const std::vector<ListeningSocket>& sockets);

// Every listening socket this user may see, once for each descriptor of each process found holding it,
// ordered by pid and then descriptor, as lsof lists them.
std::optional<std::vector<HeldSocket>> heldListeningSockets();

// What a listing needs of one process.
struct ProcessFacts {
    std::int32_t ppid = 0;
    std::uint32_t uid = 0; // the effective owner, whose login name the listing shows
    std::string comm;      // as the process table holds it
    std::string command;   // as the socket listing names the process
};
std::optional<ProcessFacts> processFacts(std::int32_t pid);

// One snapshot of all processes.
std::optional<ProcessTable> kernelProcessTable();

// What the kernel says about one process's CPU time at one moment.
struct CpuReading {
    std::uint64_t startTime = 0; // with the pid, names one process: a reused pid starts afresh
    double cpuSeconds = 0;       // user and system time used so far
    double lifeSeconds = 0;      // time since the process started
};

// CPU and memory of the given processes; a process that is gone is left out.
struct ProcessUsage {
    CpuReading cpu;
    std::int64_t residentBytes = 0;
};
std::optional<std::unordered_map<std::int32_t, ProcessUsage>>
processUsage(const std::vector<std::int32_t>& pids);

// The full name of process `pid` when a tool printed it cut to the kernel's length; `name` otherwise.
std::string fullCommandName(std::int32_t pid, std::string_view name);

// The login name of a user id; empty when the user has none, as lsof leaves it out then.
std::string userName(std::uint32_t uid);

} // namespace moorix::platform
