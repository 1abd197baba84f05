// The kernel's listing against the tools' on this machine, and the parts behind it.
#include "core/control/process_inspection.h"
#include "core/listing/kernel_listing.h"
#include "core/listing/listing.h"
#include "core/listing/lsof.h"
#include "core/listing/port_sampler.h"
#include "core/listing/process_table.h"
#include "core/platform/kernel_sources.h"
#include "core/platform/platform.h"
#include "core/platform/socket_holders_linux.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <thread>

namespace moorix {

namespace {

namespace fs = std::filesystem;
using test::Child;
using test::listener;

constexpr uid_t nobody = 65534;

// The kernel's listing with no tool to fall back on: absent unless the kernel answered.
std::optional<std::vector<PortEntry>> kernelListing() {
    const PortCore::ToolRunner noTool = [](const std::string&, const std::vector<std::string>&, double) {
        return PortCore::ToolRun{};
    };
    return PortCore::listPorts(PortCore::kernelSocketEntries, noTool, platform::workingDirectories);
}

std::optional<std::vector<PortEntry>> toolListing() {
    return PortCore::listPorts([] { return std::nullopt; }, PortCore::runToolWithStatus,
                               platform::workingDirectories);
}

std::vector<PortEntry> on(const std::vector<PortEntry>& entries, const std::set<std::int64_t>& ports) {
    std::vector<PortEntry> found;
    std::copy_if(entries.begin(), entries.end(), std::back_inserter(found),
                 [&](const PortEntry& entry) { return ports.contains(entry.port); });
    return found;
}

std::set<std::int64_t> portSet(const std::optional<std::vector<std::int64_t>>& ports) {
    return ports ? std::set<std::int64_t>(ports->begin(), ports->end()) : std::set<std::int64_t>{};
}

// Runs `work` in a child process that has become user nobody, and returns the text it gave.
std::string asNobody(const std::function<std::string()>& work) {
    const test::TempDir dir;
    const std::string path = dir.file("seen");
    const pid_t child = ::fork();
    if (child == 0) {
        std::ofstream out(path); // opened while the folder is still ours to write in
        if (::setgroups(0, nullptr) == 0 && ::setresgid(nobody, nobody, nobody) == 0 &&
            ::setresuid(nobody, nobody, nobody) == 0)
            out << work() << std::flush;
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);
    return test::readFile(path);
}

} // namespace

// Every shape of listener gives the same entries from the kernel as from lsof and ps, to the root user and
// to an ordinary one, who sees only their own.
TEST(KernelListing, MatchesTheToolsListingForEveryShapeOfListener) {
    test::TempDir dir;
    fs::create_directory(dir.file("my app"));
    std::vector<std::unique_ptr<Child>> children;
    std::set<std::int64_t> ours;
    const auto start = [&](const std::vector<std::string>& argv, const Child::Options& options = {}) {
        children.push_back(std::make_unique<Child>(argv, options));
        return *ours.insert(test::listeningPort(*children.back())).first;
    };
    start(listener());
    start(listener({"--host", "::1"}));
    const auto both = start(listener({"--host", "::1", "--host", "127.0.0.1"}));
    const auto mapped = start(listener({"--host", "::ffff:127.0.0.1", "--dual-stack"}));
    const auto shared = start(listener({"--reuseport"}));
    start(listener({"--reuseport", "--port", std::to_string(shared)}));
    const auto inherited = start(listener({"--fork"}));
    const std::set<std::int32_t> forked{children.back()->pid(), std::stoi(children.back()->readLine())};
    const auto spaced = start(listener(), {.cwd = dir.file("my app")});
    const auto named =
        start({test::pythonNamed(dir, "a-very-long-server-name"), test::supportScript("listener.py")});
    const auto underNamed =
        start({test::pythonNamed(dir, "a-long-named-parent"), test::supportScript("spawn_child.py"),
               test::pythonBinary(), test::supportScript("listener.py")});
    const bool root = ::geteuid() == 0;
    const std::int64_t nobodysPort =
        root ? start({"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--",
                      test::pythonBinary(), test::supportScript("listener.py")})
             : -1;

    const auto kernel = kernelListing();
    const auto tools = toolListing();
    const auto kernelAfter = kernelListing();
    ASSERT_TRUE(kernel && kernelAfter && tools) << "netlink and /proc answer here";
    // The listeners of the test are compared whole. The rest of the machine may change while the listings
    // are taken, so there each socket must agree that the kernel showed alike before and after lsof.
    EXPECT_EQ(on(*kernel, ours), on(*tools, ours));
    std::map<std::string, PortEntry> toolsById;
    for (const auto& entry : *tools) toolsById.emplace(entry.id(), entry);
    for (const auto& entry : *kernel) {
        const auto other = toolsById.find(entry.id());
        if (!ours.contains(entry.port) && other != toolsById.end() &&
            std::ranges::count(*kernelAfter, entry)) {
            EXPECT_EQ(entry, other->second);
        }
    }

    const auto mine = on(*kernel, ours);
    EXPECT_EQ(mine.size(), root ? 12u : 11u) << "one entry per process and port, two on the shared ports";
    const auto find = [&](std::int64_t port, std::size_t nth = 0) {
        std::vector<PortEntry> found = on(mine, {port});
        return found.size() > nth ? found[nth] : PortEntry{};
    };
    EXPECT_EQ(find(both).address, "[::1]") << "the first socket's address";
    EXPECT_EQ(find(mapped).address, "127.0.0.1");
    EXPECT_EQ((std::set<std::int32_t>{find(inherited, 0).pid, find(inherited, 1).pid}), forked);
    EXPECT_EQ(find(spaced).cwd, dir.file("my app"));
    EXPECT_EQ(find(named).command, "a-very-long-server-name") << "not cut to 15 characters";
    EXPECT_EQ(find(underNamed).parentChain.at(0), "a-long-named-parent");

    // The notifier's sample sees the same ports as lsof.
    const auto sampled = portSet(PortCore::PortSampler().listeningPorts());
    const auto lsofs = portSet(PortCore::listeningPortNumbersFromLsof(PortCore::runToolWithStatus));
    for (std::int64_t port : ours) EXPECT_TRUE(sampled.contains(port) && lsofs.contains(port)) << port;

    if (!root) return;
    EXPECT_EQ(find(nobodysPort).user, "nobody");
    // Nobody sees only their own listener, from the kernel as from the tools, in the listing and the sample.
    const std::string seen = asNobody([&] {
        const auto fromKernel = on(kernelListing().value_or(std::vector<PortEntry>{}), ours);
        const auto fromTools = on(toolListing().value_or(std::vector<PortEntry>{}), ours);
        std::string text = fromKernel == fromTools ? "alike" : "tools: " + writePortList(fromTools);
        for (const auto& entry : fromKernel) text += " " + entry.id();
        for (const auto& ports : {PortCore::PortSampler().listeningPorts(),
                                  PortCore::listeningPortNumbersFromLsof(PortCore::runToolWithStatus)}) {
            text += "\n";
            for (std::int64_t port : portSet(ports))
                if (ours.contains(port)) text += std::to_string(port);
        }
        return text;
    });
    const std::string port = std::to_string(nobodysPort);
    EXPECT_EQ(seen, "alike " + find(nobodysPort).id() + "\n" + port + "\n" + port);
}

TEST(KernelListing, ProcessesEndingDuringTheScanCostNothingElse) {
    Child server(listener());
    const std::int64_t port = test::listeningPort(server);
    const auto alone = on(PortCore::kernelSocketEntries().value(), {port});
    ASSERT_EQ(alone.at(0).pid, server.pid());
    // Listeners that are born and gone again all the time, while the listing reads their folders.
    Child churn({test::pythonBinary(), "-c",
                 "import os, random, signal, socket, time\n"
                 "signal.signal(signal.SIGCHLD, signal.SIG_IGN)\n"
                 "while True:\n"
                 "    if os.fork() == 0:\n"
                 "        s = socket.socket(); s.bind(('127.0.0.1', 0)); s.listen()\n"
                 "        time.sleep(random.random() / 5); os._exit(0)\n"
                 "    time.sleep(0.01)\n"},
                {.cwd = {}, .captureStdout = false});
    for (int round = 0; round < 10; ++round)
        ASSERT_EQ(on(PortCore::kernelSocketEntries().value(), {port}), alone);
}

// A /proc tree laid out by the test: holders in pid order, a process gone during the scan, an unrelated
// holder after the last inode was found, and relatives that share a socket by inheritance.
TEST(SocketHolders, StopsOnceEveryInodeIsFoundYetFindsInheritedCopies) {
    using Holders = std::vector<platform::SocketHolder>;
    test::TempDir proc;
    const auto process = [&](std::int32_t pid, std::int32_t ppid, std::map<int, std::string> fds) {
        const std::string folder = proc.file(std::to_string(pid));
        fs::create_directories(folder + "/fd");
        proc.write(std::to_string(pid) + "/stat", std::to_string(pid) + " (p) S " + std::to_string(ppid) +
                                                      " 0 0 0 -1 0 0 0 0 0 1 1 0 0 20 0 1 0 9 0 0\n");
        for (const auto& [fd, target] : fds) fs::create_symlink(target, folder + "/fd/" + std::to_string(fd));
    };
    // Process 5 also has more descriptors than a few reads of its folder return, all on one socket.
    std::map<int, std::string> many{{0, "/dev/null"}, {3, "socket:[100]"}};
    for (int fd = 10; fd < 810; ++fd) many.emplace(fd, "socket:[400]");
    process(5, 1, many);
    fs::create_directory(proc.file("6")); // ended: its files are gone
    process(7, 12, {{4, "socket:[200]"}, {9, "pipe:[200]"}});
    process(9, 5, {{3, "socket:[100]"}});   // a child of a holder, holding the same socket
    process(10, 9, {{3, "socket:[100]"}});  // and its child
    process(11, 1, {{3, "socket:[100]"}});  // unrelated: the search has ended by then
    process(12, 1, {{5, "socket:[200]"}});  // the parent of a holder, with a higher pid
    process(13, 12, {{6, "socket:[200]"}}); // and its other child, related only through that parent
    const platform::ProcTree tree(proc.path());

    EXPECT_EQ(platform::findSocketHolders(tree, {100, 200}, false), (Holders{{5, 3, 100}, {7, 4, 200}}));
    EXPECT_EQ(platform::findSocketHolders(tree, {100, 200}, true),
              (Holders{{5, 3, 100}, {7, 4, 200}, {9, 3, 100}, {10, 3, 100}, {12, 5, 200}, {13, 6, 200}}));
    EXPECT_EQ(platform::findSocketHolders(tree, {300}, true), Holders{}); // held by none: every process read
    EXPECT_EQ(platform::findSocketHolders(tree, {}, true), Holders{});
    EXPECT_EQ(platform::findSocketHolders(tree, {400}, false).value().size(), 800u);
    EXPECT_FALSE(platform::findSocketHolders(platform::ProcTree(proc.file("missing")), {100}, true));
}

// Taken twice around ps's, so that a process that started, ended or ran another program meanwhile is left
// out of the comparison.
TEST(KernelProcessTable, AgreesWithPsAndCompletesCutNames) {
    test::TempDir dir;
    Child named({test::pythonNamed(dir, "a-very-long-server-name"), "-c", "import time; time.sleep(60)"},
                {.cwd = {}, .captureStdout = false});
    // A script run through its interpreter, as node_modules/.bin servers are: the name is its second
    // argument.
    Child script({test::script(dir.file("a-very-long-script-name"), dir.file("arguments"), "sleep 60")},
                 {.cwd = {}, .captureStdout = false});
    const auto before = platform::kernelProcessTable().value();
    const ProcessTable ps = PortCore::processTableFromPs(PortCore::runToolWithStatus);
    const auto after = platform::kernelProcessTable().value();
    EXPECT_EQ(after.at(named.pid()).comm, "a-very-long-server-name");
    EXPECT_EQ(after.at(script.pid()).comm, "a-very-long-script-name");
    std::size_t compared = 0;
    for (const auto& [pid, info] : ps) {
        const auto first = before.find(pid);
        const auto second = after.find(pid);
        // Kernel workers (children of pid 2) rename themselves after the work they do, and may be back under
        // the first name by the second reading.
        if (first == before.end() || second == after.end() || first->second != second->second ||
            info.ppid == 2)
            continue;
        EXPECT_EQ(second->second, info) << pid;
        ++compared;
    }
    EXPECT_GT(compared, 10u);
}

// The machine may be busy with other work, so the figures are held against the CPU time the child says it
// was given rather than against the clock.
TEST(KernelStats, CpuIsTheShareOfOneProcessorTheProcessWasGiven) {
    using Clock = std::chrono::steady_clock;
    const auto started = Clock::now();
    Child busy({test::pythonBinary(), "-c",
                "import signal, time\n"
                "signal.signal(signal.SIGUSR1, lambda *_: print(time.process_time(), flush=True))\n"
                "print('ready', flush=True)\nwhile True: pass\n"});
    ASSERT_EQ(busy.readLine(), "ready");
    CpuMeter meter;
    // The CPU seconds the child says it was given, the reading taken just after, and the seconds since
    // `from`.
    const auto reading = [&](Clock::time_point from) {
        ::kill(busy.pid(), SIGUSR1);
        const double given = std::stod(busy.readLine());
        const ProcessStats stats = PortCore::stats({busy.pid()}, meter).at(busy.pid());
        return std::tuple{given, stats, std::chrono::duration<double>(Clock::now() - from).count()};
    };
    const auto [before, first, life] = reading(started);
    const auto firstAt = Clock::now();
    // A first reading is the average over the process's life, as ps gives it. The kernel counts in ticks of
    // a hundredth of a second: a reading may lag by one.
    EXPECT_GE(first.cpu, 100 * (before - 0.02) / life);
    EXPECT_LE(first.cpu, 110);
    EXPECT_GE(first.memMB, 1);

    std::this_thread::sleep_for(std::chrono::seconds(1)); // the span measured
    // The share since the last reading.
    const auto [after, second, span] = reading(firstAt);
    EXPECT_NEAR(second.cpu, 100 * (after - before) / span, 15);
    EXPECT_LE(second.cpu, 110);
}

} // namespace moorix
