// Sockets' holders, processes and their figures from /proc.
#include "core/platform/kernel_sources.h"

#include "core/platform/proc_tree_linux.h"
#include "core/platform/process_records.h"
#include "core/platform/socket_holders_linux.h"
#include "core/text/utf8.h"

#include <unistd.h>

#include <unordered_map>

namespace moorix::platform {

namespace {

// The kernel keeps a task's name in 16 bytes with the final NUL: a longer name is cut to 15.
constexpr std::size_t commLength = 15;

const ProcTree& procTree() {
    static const ProcTree tree;
    return tree;
}

// The name cut to 15 bytes completed from the executable's path or an argument, read only when it may
// have been cut; as valid UTF-8 either way, since a cut may split a character.
std::string fullName(const ProcTree& tree, std::int32_t pid, std::string_view comm) {
    if (comm.size() != commLength) return repairUtf8(comm);
    std::vector<std::string_view> candidates;
    const auto executable = tree.readLink(pid, "exe");
    if (executable) candidates.push_back(*executable);
    const auto cmdline = tree.read(pid, "cmdline");
    for (std::string_view rest = cmdline ? std::string_view(*cmdline) : std::string_view(); !rest.empty();) {
        const std::size_t end = std::min(rest.find('\0'), rest.size());
        candidates.push_back(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return repairUtf8(PortCore::fullProcessName(comm, commLength, candidates));
}

std::unordered_set<std::uint64_t> inodesOf(const std::vector<ListeningSocket>& sockets) {
    std::unordered_set<std::uint64_t> inodes;
    for (const auto& socket : sockets) inodes.insert(socket.key);
    return inodes;
}

} // namespace

std::unordered_set<std::uint64_t> heldSockets(const std::vector<ListeningSocket>& sockets) {
    std::unordered_set<std::uint64_t> held;
    if (const auto holders = findSocketHolders(procTree(), inodesOf(sockets), false))
        for (const auto& holder : *holders) held.insert(holder.inode);
    return held;
}

std::optional<std::vector<HeldSocket>> heldListeningSockets() {
    const auto sockets = listeningSockets();
    if (!sockets) return std::nullopt;
    const auto holders = findSocketHolders(procTree(), inodesOf(*sockets), true);
    if (!holders) return std::nullopt;
    std::unordered_map<std::uint64_t, const ListeningSocket*> byInode;
    for (const auto& socket : *sockets) byInode.emplace(socket.key, &socket);
    std::vector<HeldSocket> held;
    held.reserve(holders->size());
    for (const auto& holder : *holders) held.push_back({*byInode.at(holder.inode), holder.pid, holder.fd});
    return held;
}

std::optional<ProcessFacts> processFacts(std::int32_t pid) {
    const ProcTree& tree = procTree();
    const auto stat = tree.stat(pid);
    const auto owner = tree.owner(pid);
    if (!stat || !owner) return std::nullopt;
    std::string name = fullName(tree, pid, stat->comm);
    return ProcessFacts{stat->ppid, *owner, name, name};
}

std::optional<ProcessTable> kernelProcessTable() {
    const ProcTree& tree = procTree();
    const auto pids = tree.pids();
    if (!pids) return std::nullopt;
    ProcessTable table;
    table.reserve(pids->size());
    for (std::int32_t pid : *pids)
        if (auto stat = tree.stat(pid))
            table.emplace(pid, ProcessInfo{stat->ppid, fullName(tree, pid, stat->comm)});
    // Every system has processes: a tree that shows none is not one to trust.
    if (table.empty()) return std::nullopt;
    return table;
}

std::optional<std::unordered_map<std::int32_t, ProcessUsage>>
processUsage(const std::vector<std::int32_t>& pids) {
    static const double ticksPerSecond = static_cast<double>(::sysconf(_SC_CLK_TCK));
    static const std::int64_t pageSize = ::sysconf(_SC_PAGESIZE);
    const ProcTree& tree = procTree();
    const auto uptimeText = tree.read("uptime");
    const auto uptime = uptimeText ? PortCore::parseUptime(*uptimeText) : std::nullopt;
    if (!uptime || ticksPerSecond <= 0 || pageSize <= 0) return std::nullopt;
    std::unordered_map<std::int32_t, ProcessUsage> usage;
    for (std::int32_t pid : pids) {
        if (pid < 1) continue;
        const auto stat = tree.stat(pid);
        const auto statm = tree.read(pid, "statm");
        const auto pages = statm ? PortCore::parseStatmResidentPages(*statm) : std::nullopt;
        if (!stat || !pages) continue;
        const double started = static_cast<double>(stat->startTicks) / ticksPerSecond;
        usage[pid] = ProcessUsage{
            {stat->startTicks, static_cast<double>(stat->cpuTicks) / ticksPerSecond, *uptime - started},
            static_cast<std::int64_t>(*pages) * pageSize};
    }
    return usage;
}

std::string fullCommandName(std::int32_t pid, std::string_view name) {
    if (pid < 1) return std::string(name);
    return fullName(procTree(), pid, name);
}

} // namespace moorix::platform
