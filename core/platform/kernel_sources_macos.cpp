// Sockets, processes and their figures from libproc and sysctl. Not built on Linux: kept small, with the
// reading of libproc's records in core/darwin_records.*, which is tested everywhere.
#include "core/platform/kernel_sources.h"

#include "core/platform/darwin_records.h"
#include "core/text/utf8.h"

#include <sys/types.h>

#include <libproc.h>
#include <mach/mach_time.h>
#include <netinet/in.h>
#include <sys/proc_info.h>
#include <sys/socket.h>
#include <sys/sysctl.h>
#include <sys/time.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>

namespace moorix::platform {

static_assert(PROX_FDTYPE_SOCKET == Darwin::fdTypeSocket);
static_assert(sizeof(proc_fdinfo) == Darwin::fdInfoSize && offsetof(proc_fdinfo, proc_fdtype) == 4);
static_assert(SOCKINFO_TCP == Darwin::socketKindTcp && TSI_S_LISTEN == Darwin::tcpStateListen);
static_assert(AF_INET == Darwin::familyInet && AF_INET6 == Darwin::familyInet6);
static_assert(sizeof(in_sockinfo::insi_laddr) == 16);

namespace {

// Every pid, ascending; empty when the kernel refuses.
std::vector<pid_t> allPids() {
    const int count = ::proc_listallpids(nullptr, 0);
    if (count <= 0) return {};
    // Room for processes started between the two calls.
    std::vector<pid_t> pids(static_cast<std::size_t>(count) + 64);
    const int listed = ::proc_listallpids(pids.data(), static_cast<int>(pids.size() * sizeof(pid_t)));
    if (listed <= 0) return {};
    pids.resize(std::min(pids.size(), static_cast<std::size_t>(listed)));
    std::sort(pids.begin(), pids.end());
    return pids;
}

// The listening TCP sockets `pid` holds; none when it is gone or another user's and this is not root.
void collectListeningSockets(pid_t pid, std::vector<HeldSocket>& held) {
    const int size = ::proc_pidinfo(pid, PROC_PIDLISTFDS, 0, nullptr, 0);
    if (size <= 0) return;
    std::vector<char> buffer(static_cast<std::size_t>(size) + 32 * sizeof(proc_fdinfo));
    const int filled =
        ::proc_pidinfo(pid, PROC_PIDLISTFDS, 0, buffer.data(), static_cast<int>(buffer.size()));
    if (filled <= 0) return;
    const std::size_t length = std::min(buffer.size(), static_cast<std::size_t>(filled));
    for (std::int32_t fd : Darwin::socketDescriptors({buffer.data(), length})) {
        socket_fdinfo info{};
        if (::proc_pidfdinfo(pid, fd, PROC_PIDFDSOCKETINFO, &info, sizeof info) !=
            static_cast<int>(sizeof info))
            continue;
        if (info.psi.soi_kind != SOCKINFO_TCP) continue;
        const in_sockinfo& internet = info.psi.soi_proto.pri_tcp.tcpsi_ini;
        Darwin::TcpSocketFields fields;
        fields.kind = info.psi.soi_kind;
        fields.family = info.psi.soi_family;
        fields.state = info.psi.soi_proto.pri_tcp.tcpsi_state;
        std::memcpy(fields.localAddress.data(), &internet.insi_laddr, fields.localAddress.size());
        fields.localPort = internet.insi_lport;
        fields.uid = info.psi.soi_stat.vst_uid;
        fields.controlBlock = info.psi.soi_pcb;
        if (const auto socket = Darwin::listeningSocket(fields)) held.push_back({*socket, pid, fd});
    }
}

std::optional<kinfo_proc> kernelRecord(pid_t pid) {
    int name[4] = {CTL_KERN, KERN_PROC, KERN_PROC_PID, pid};
    kinfo_proc record{};
    std::size_t size = sizeof record;
    if (::sysctl(name, 4, &record, &size, nullptr, 0) != 0 || size == 0) return std::nullopt;
    return record;
}

// The executable's path as the table names a process, like ps; the kernel's short name when hidden.
std::string tableName(pid_t pid, const kinfo_proc& record) {
    char path[PROC_PIDPATHINFO_MAXSIZE] = {};
    if (::proc_pidpath(pid, path, sizeof path) > 0) return repairUtf8(path);
    return repairUtf8(
        {record.kp_proc.p_comm, ::strnlen(record.kp_proc.p_comm, sizeof record.kp_proc.p_comm)});
}

} // namespace

std::optional<std::vector<ListeningSocket>> listeningSockets() {
    const auto pids = allPids();
    if (pids.empty()) return std::nullopt;
    std::vector<HeldSocket> held;
    for (pid_t pid : pids) collectListeningSockets(pid, held);
    std::vector<ListeningSocket> sockets;
    std::unordered_set<std::uint64_t> seen;
    for (const auto& socket : held)
        if (seen.insert(socket.socket.key).second) sockets.push_back(socket.socket);
    return sockets;
}

// Each socket above was found in a process that this user may inspect.
std::unordered_set<std::uint64_t> heldSockets(const std::vector<ListeningSocket>& sockets) {
    std::unordered_set<std::uint64_t> held;
    for (const auto& socket : sockets) held.insert(socket.key);
    return held;
}

std::optional<std::vector<HeldSocket>> heldListeningSockets() {
    const auto pids = allPids();
    if (pids.empty()) return std::nullopt;
    std::vector<HeldSocket> held;
    for (pid_t pid : pids) collectListeningSockets(pid, held);
    return held;
}

std::optional<ProcessFacts> processFacts(std::int32_t pid) {
    const auto record = kernelRecord(pid);
    if (!record) return std::nullopt;
    ProcessFacts facts;
    facts.ppid = record->kp_eproc.e_ppid;
    facts.uid = record->kp_eproc.e_ucred.cr_uid;
    facts.comm = tableName(pid, *record);
    // lsof's name for the process: the long name when the kernel keeps one, else the short one.
    proc_bsdinfo info{};
    if (::proc_pidinfo(pid, PROC_PIDTBSDINFO, 0, &info, sizeof info) == static_cast<int>(sizeof info) &&
        info.pbi_name[0])
        facts.command = repairUtf8({info.pbi_name, ::strnlen(info.pbi_name, sizeof info.pbi_name)});
    else
        facts.command = repairUtf8(
            {record->kp_proc.p_comm, ::strnlen(record->kp_proc.p_comm, sizeof record->kp_proc.p_comm)});
    return facts;
}

std::optional<ProcessTable> kernelProcessTable() {
    int name[4] = {CTL_KERN, KERN_PROC, KERN_PROC_ALL, 0};
    std::vector<kinfo_proc> records;
    // The table can grow between asking its size and reading it: ask again then.
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::size_t size = 0;
        if (::sysctl(name, 4, nullptr, &size, nullptr, 0) != 0 || size == 0) return std::nullopt;
        records.resize(size / sizeof(kinfo_proc) + 16);
        size = records.size() * sizeof(kinfo_proc);
        if (::sysctl(name, 4, records.data(), &size, nullptr, 0) == 0) {
            records.resize(size / sizeof(kinfo_proc));
            break;
        }
        if (errno != ENOMEM) return std::nullopt;
        records.clear();
    }
    if (records.empty()) return std::nullopt;
    ProcessTable table;
    table.reserve(records.size());
    for (const kinfo_proc& record : records)
        table.emplace(record.kp_proc.p_pid,
                      ProcessInfo{record.kp_eproc.e_ppid, tableName(record.kp_proc.p_pid, record)});
    return table;
}

std::optional<std::unordered_map<std::int32_t, ProcessUsage>>
processUsage(const std::vector<std::int32_t>& pids) {
    // Task times are in Mach absolute time units, which are not nanoseconds on Apple silicon.
    static const mach_timebase_info_data_t timebase = [] {
        mach_timebase_info_data_t info{};
        ::mach_timebase_info(&info);
        return info;
    }();
    if (timebase.denom == 0) return std::nullopt;
    timeval now{};
    ::gettimeofday(&now, nullptr);
    std::unordered_map<std::int32_t, ProcessUsage> usage;
    for (std::int32_t pid : pids) {
        if (pid < 1) continue;
        proc_taskinfo task{};
        if (::proc_pidinfo(pid, PROC_PIDTASKINFO, 0, &task, sizeof task) != static_cast<int>(sizeof task))
            continue;
        const auto record = kernelRecord(pid);
        if (!record) continue;
        const timeval started = record->kp_proc.p_starttime;
        const double units = static_cast<double>(task.pti_total_user + task.pti_total_system);
        const double life = static_cast<double>(now.tv_sec - started.tv_sec) +
                            static_cast<double>(now.tv_usec - started.tv_usec) / 1e6;
        usage[pid] = ProcessUsage{{static_cast<std::uint64_t>(started.tv_sec) * 1000000u +
                                       static_cast<std::uint64_t>(started.tv_usec),
                                   units * timebase.numer / timebase.denom / 1e9, life},
                                  static_cast<std::int64_t>(task.pti_resident_size)};
    }
    return usage;
}

// lsof and ps name processes in full on macOS.
std::string fullCommandName(std::int32_t, std::string_view name) { return std::string(name); }

} // namespace moorix::platform
