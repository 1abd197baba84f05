// CPU cost of what the kernel answers against the tool run each answer replaces, measured in one run:
// 200 loopback listeners held by 20 processes, and 50 more processes for the statistics. The cost of a
// tool run counts the tool's own CPU time as well as this program's.
#include "core/control/process_inspection.h"
#include "core/listing/kernel_listing.h"
#include "core/listing/listing.h"
#include "core/listing/lsof.h"
#include "core/listing/port_sampler.h"
#include "core/listing/process_table.h"
#include "core/platform/kernel_sources.h"
#include "core/platform/pid_list.h"
#include "core/platform/platform.h"

#include <netinet/in.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace moorix;

// Processes forked for the run, each holding `listeners` loopback sockets until it is killed.
class Holders {
public:
    Holders(int processes, int listeners) {
        for (int i = 0; i < processes; ++i) {
            int ready[2];
            if (::pipe(ready) != 0) return;
            const pid_t pid = ::fork();
            if (pid == 0) {
                for (int n = 0; n < listeners; ++n) {
                    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
                    sockaddr_in address{};
                    address.sin_family = AF_INET;
                    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
                    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
                        ::listen(fd, 4) != 0)
                        ::_exit(1);
                }
                (void)!::write(ready[1], "x", 1);
                for (;;) ::pause();
            }
            ::close(ready[1]);
            char byte = 0;
            (void)!::read(ready[0], &byte, 1);
            ::close(ready[0]);
            m_pids.push_back(pid);
        }
    }
    ~Holders() {
        for (pid_t pid : m_pids) ::kill(pid, SIGKILL);
        for (pid_t pid : m_pids) ::waitpid(pid, nullptr, 0);
    }
    const std::vector<std::int32_t>& pids() const { return m_pids; }

private:
    std::vector<std::int32_t> m_pids;
};

double cpuSeconds(bool withChildren) {
    const auto seconds = [](int who) {
        rusage usage{};
        ::getrusage(who, &usage);
        return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
               static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    };
    return seconds(RUSAGE_SELF) + (withChildren ? seconds(RUSAGE_CHILDREN) : 0);
}

// Milliseconds of CPU per call.
double cpuPerCall(int calls, bool withChildren, const std::function<void()>& call) {
    const double before = cpuSeconds(withChildren);
    for (int i = 0; i < calls; ++i) call();
    return (cpuSeconds(withChildren) - before) * 1000 / calls;
}

void report(const char* what, double ours, const char* baseline, double theirs, const char* target) {
    std::printf("%-52s %8.3f ms CPU; %s %8.3f ms: %.3fx; %s\n", what, ours, baseline, theirs, ours / theirs,
                target);
}

} // namespace

int main() {
    const Holders listeners(20, 10);
    const Holders sleepers(50, 0);
    const PortCore::ToolRunner run = PortCore::runToolWithStatus;

    PortCore::PortSampler sampler;
    const auto first = sampler.listeningPorts();
    if (!first || first->size() < 200 || !PortCore::kernelSocketEntries()) {
        std::printf("the kernel's interfaces did not answer: nothing to measure\n");
        return 1;
    }
    const double tick = cpuPerCall(500, false, [&] { sampler.listeningPorts(); });
    const double firstTick = cpuPerCall(20, false, [] { PortCore::PortSampler().listeningPorts(); });
    const double lsofTick = cpuPerCall(20, true, [&] { PortCore::listeningPortNumbersFromLsof(run); });
    report("notifier tick, 200 listeners, port numbers only:", tick, "lsof tick", lsofTick,
           "target under 1 ms");
    report("  a sampler's first tick (finds the holders):", firstTick, "lsof tick", lsofTick,
           "once per new socket");

    const std::vector<std::int32_t>& pids = sleepers.pids();
    CpuMeter meter;
    PortCore::stats(pids, meter);
    const double stats = cpuPerCall(200, false, [&] { PortCore::stats(pids, meter); });
    const double psStats = cpuPerCall(20, true, [&] {
        PortCore::parseStats(
            run(platform::psPath(), {"-o", "pid=,pcpu=,rss=", "-p", pidList(pids)}, 5.0).text());
    });
    report("panel's statistics of 50 pids:", stats, "ps run", psStats, "target under 2 ms");

    const auto none = [] { return std::optional<std::vector<PortEntry>>(); };
    const double listing = cpuPerCall(20, false, [&] {
        PortCore::listPorts(PortCore::kernelSocketEntries, run, platform::workingDirectories);
    });
    const double toolListing =
        cpuPerCall(10, true, [&] { PortCore::listPorts(none, run, platform::workingDirectories); });
    report("full listing, 200 listeners:", listing, "lsof + ps listing", toolListing, "no tool run");

    const double table = cpuPerCall(20, false, [] { platform::kernelProcessTable(); });
    const double psTable = cpuPerCall(10, true, [&] { PortCore::processTableFromPs(run); });
    report("process table:", table, "ps table", psTable, "no tool run");
    return 0;
}
