#include "core/port_event.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace moorix {

namespace {

using namespace std::chrono_literals;
using test::Child;
using test::runMoorix;

PortEvent event(Instant at, EventAction action, std::int64_t port, std::int32_t pid, std::string command,
                std::vector<std::string> chain, std::optional<Ending> ending = std::nullopt) {
    return PortEvent{at, action, port, pid, std::move(command), std::move(chain), "dev", "127.0.0.1", "/w", "w",
                     std::nullopt, ending};
}

// A data folder of its own, holding the given history file content, for one run of moorix.
class DataHome {
public:
    explicit DataHome(const std::string& content) {
        std::filesystem::create_directories(m_dir.file("Moorix"));
        m_dir.write("Moorix/history.jsonl", content);
    }
    std::map<std::string, std::string> env() const { return {{"XDG_DATA_HOME", m_dir.path()}}; }

private:
    test::TempDir m_dir;
};

std::string lines(const std::vector<PortEvent>& events) {
    std::string text;
    for (const auto& e : events) text += *encodeEventLine(e) + "\n";
    return text;
}

std::vector<std::string> outputLines(const std::string& out) {
    std::vector<std::string> found;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) found.push_back(line);
    return found;
}

// A loopback port in the development range that nothing listens on right now.
std::string freeDevPort() {
    static int next = 4000 + static_cast<int>(::getpid() % 5000);
    for (int tries = 0; tries < 5000; ++tries) {
        const int port = next++ % 8975 + 1025;
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool free = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        if (free) return std::to_string(port);
    }
    throw std::runtime_error("no free development port");
}

} // namespace

TEST(HistoryMode, PrintsTheLast30DaysInFileOrder) {
    const Instant now = currentInstant();
    const Instant recent = now - 3600s, older = now - 29 * 86400s;
    const std::string content =
        lines({event(now - 31 * 86400s, EventAction::opened, 1111, 1, "old", {})}) +
        lines({event(recent, EventAction::opened, 3000, 42, "node", {"npm", "zsh"})}) + "garbage line\n\n" +
        lines({event(older, EventAction::closed, 3000, 42, "node", {"npm"}, Ending::parentExited),
               event(recent, EventAction::closed, 5173, 43, "vite", {}, Ending::killedByMoorix),
               event(recent, EventAction::closed, 8080, 44, "python3", {"bash"}, Ending::unexpected)});
    const DataHome home(content);
    const auto result = runMoorix({"--history"}, home.env());
    EXPECT_EQ(result.status, 0);
    const std::string r = formatDisplayInstant(recent), o = formatDisplayInstant(older);
    EXPECT_EQ(result.out, r + " opened 3000 node \u2190 zsh \n" +               //
                              o + " closed 3000 node \u2190 npm parentExited\n" + //
                              r + " closed 5173 vite \u2190 vite killedByMoorix\n" +
                              r + " closed 8080 python3 \u2190 bash unexpected\n");
}

TEST(HistoryMode, MissingEmptyOrUnreadableHistoryPrintsNothing) {
    const DataHome empty("");
    EXPECT_EQ(runMoorix({"--history"}, empty.env()).out, "");
    const DataHome junk("\xFF\xFE not json\n{\"at\":\"2026-12-05T09:14:02.5Z\"}\n");
    const auto result = runMoorix({"--history"}, junk.env());
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.status, 0);
    test::TempDir nothing;
    const auto none = runMoorix({"--history"}, {{"XDG_DATA_HOME", nothing.path()}});
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.status, 0);
    EXPECT_TRUE(std::filesystem::is_directory(nothing.file("Moorix")));
    EXPECT_FALSE(std::filesystem::exists(nothing.file("Moorix/history.jsonl"))) << "reading never writes";
}

TEST(HistoryMode, ComesAfterListInTheOptionOrder) {
    const Instant at = currentInstant() - 60s;
    const DataHome home(lines({event(at, EventAction::opened, 3000, 42, "node", {})}));
    EXPECT_EQ(runMoorix({"--history", "--list"}, home.env()).out.front(), '[');
    EXPECT_EQ(runMoorix({"--insights", "--history"}, home.env()).out,
              formatDisplayInstant(at) + " opened 3000 node \u2190 node \n")
        << "--history is tested before --insights";
}

TEST(InsightsMode, OrphanLinesComeBeforeStaleLines) {
    test::TempDir dir;
    const std::string node = test::pythonNamed(dir, "node");
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                                 std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                                                 std::filesystem::perms::others_exec);
    // The parent starts the listener and exits at once, leaving it to the init process. Servers of root
    // are never orphans, so under root the listener runs as nobody.
    Child parent({test::pythonBinary(), "-c", R"(
import os, pwd, subprocess, sys
def drop():
    nobody = pwd.getpwnam('nobody')
    os.setgid(nobody.pw_gid)
    os.setuid(nobody.pw_uid)
subprocess.Popen(sys.argv[1:], preexec_fn=drop if os.getuid() == 0 else None)
)",
                  node, test::supportScript("listener.py"), "--port", freeDevPort()});
    const std::string portLine = parent.readLine();
    ASSERT_FALSE(portLine.empty());
    const std::int64_t port = std::stoll(portLine);
    // The orphan's pid is the process whose name is node listening on that port; find it through /proc.
    std::int32_t orphan = 0, ppid = -1;
    for (const auto& item : std::filesystem::directory_iterator("/proc")) {
        const std::string name = item.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(item.path() / "stat");
        std::string pidText, comm, state;
        int parentPid = 0;
        if (!(stat >> pidText >> comm >> state >> parentPid) || comm != "(node)") continue;
        std::ifstream cmdline(item.path() / "cmdline");
        std::string args((std::istreambuf_iterator<char>(cmdline)), std::istreambuf_iterator<char>());
        if (args.find(dir.path()) == std::string::npos) continue;
        orphan = std::stoi(pidText);
        ppid = parentPid;
    }
    ASSERT_GT(orphan, 1);
    ASSERT_TRUE(test::waitUntil([&] { return parent.waitExit(0.1) == 0 || !parent.alive(); }, 10));
    if (ppid != 1) {
        std::ifstream stat("/proc/" + std::to_string(orphan) + "/stat");
        std::string pidText, comm, state;
        stat >> pidText >> comm >> state >> ppid;
    }
    if (ppid != 1) GTEST_SKIP() << "orphans are adopted by a subreaper here, not by pid 1";

    Child stale({node, test::supportScript("listener.py"), "--port", freeDevPort()});
    const std::int64_t stalePort = std::stoll(stale.readLine());
    const Instant now = currentInstant();
    const DataHome home(lines({
        event(now - 2 * 86400s, EventAction::opened, port, orphan, "node", {}),
        event(now - 3 * 86400s, EventAction::opened, stalePort, stale.pid(), "node", {"zsh"}),
        event(now - 2 * 86400s, EventAction::opened, stalePort, stale.pid() + 100000, "node", {}),
    }));
    const auto result = runMoorix({"--insights"}, home.env());
    EXPECT_EQ(result.status, 0);
    std::vector<std::string> mine;
    for (const auto& line : outputLines(result.out))
        if (line.find(" " + std::to_string(port) + " ") != std::string::npos ||
            line.find(" " + std::to_string(stalePort) + " ") != std::string::npos)
            mine.push_back(line);
    std::vector<std::string> expected{
        "stale   " + std::to_string(port) + " node since " + formatDisplayInstant(now - 2 * 86400s),
        "stale   " + std::to_string(stalePort) + " node since " + formatDisplayInstant(now - 3 * 86400s)};
    if (stalePort < port) std::swap(expected[0], expected[1]); // in listing order, by port
    expected.insert(expected.begin(), "orphan  " + std::to_string(port) + " node pid " + std::to_string(orphan));
    EXPECT_EQ(mine, expected) << result.out;
    bool seenStale = false;
    for (const auto& line : outputLines(result.out)) {
        if (line.rfind("stale   ", 0) == 0) seenStale = true;
        else EXPECT_FALSE(seenStale) << "orphan line after a stale line: " << line;
    }
}

TEST(InsightsMode, FreshServerWithoutOrphanIsNotReported) {
    test::TempDir dir;
    Child server({test::pythonNamed(dir, "node"), test::supportScript("listener.py")});
    const std::string port = server.readLine();
    ASSERT_FALSE(port.empty());
    const DataHome home(lines({event(currentInstant() - 86400s + 60s, EventAction::opened, std::stoll(port),
                                     server.pid(), "node", {})}));
    const auto result = runMoorix({"--insights"}, home.env());
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.find(" " + port + " "), std::string::npos) << result.out;
}

} // namespace moorix
