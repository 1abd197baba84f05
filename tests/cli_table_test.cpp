// --help, --version, --table and the other modes' lines: what a person reads in a terminal.
#include "app/cli/port_table.h"
#include "core/history/port_event.h"
#include "core/listing/process_table.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <wchar.h>

#include <chrono>
#include <clocale>
#include <cwchar>
#include <filesystem>

namespace moorix {

namespace {

using Strings = std::vector<std::string>;

// A row whose process id is its port + 1000.
PortEntry entry(std::int64_t port, std::string address, std::string command, Strings chain,
                std::optional<std::string> project) {
    const auto pid = static_cast<std::int32_t>(port + 1000);
    return {port, std::move(address), pid, std::move(command), "dev", std::move(chain), pid - 1,
            "/w", std::move(project)};
}

// A line as the terminal lays it out, measured by the C library under a UTF-8 locale: the character drawn
// in each display column, and 0 in the second column of a wide one.
std::wstring layOut(const std::string& line) {
    std::wstring laid;
    std::mbstate_t state{};
    for (std::size_t at = 0, length = 0; at < line.size(); at += length) {
        wchar_t c = 0;
        length = std::mbrtowc(&c, line.data() + at, line.size() - at, &state);
        const int width = length == 0 || length > line.size() - at ? -1 : ::wcwidth(c);
        if (width < 0) {
            ADD_FAILURE() << "not printable UTF-8 at byte " << at << ": " << line;
            break;
        }
        if (width > 0) laid += c + std::wstring(static_cast<std::size_t>(width - 1), L'\0');
    }
    return laid;
}

// Terminal text measured by the C library under a UTF-8 locale.
struct TerminalOutput : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(std::setlocale(LC_CTYPE, "C.UTF-8")); }
    void TearDown() override { std::setlocale(LC_CTYPE, "C"); }
};

} // namespace

// Every cell of every row starts (or, aligned right, ends) in the display column of its title, measured by
// the C library, with wide characters, emoji and combining marks, at full width and when the widest text
// columns are cut to fit; a cut keeps characters whole, and a line is never wrapped.
TEST_F(TerminalOutput, TableFitsTheWidthByCuttingTheWidestTextColumnsAndLinesUpByDisplayWidth) {
    const std::string wide = "\u65E5\u672C\u8A9E\u306E\u30D7\u30ED\u30B8\u30A7\u30AF\u30C8\u540D\u524D";
    const std::string longName = "an-extremely-long-project-name-that-would-never-fit-in-eighty-columns";
    const Strings chain{"npm", "zsh"};
    const std::vector<PortEntry> entries{
        entry(22, "0.0.0.0", "node", chain, std::nullopt),
        entry(3000, "127.0.0.1", "node", chain, "shop"),
        entry(5173, "*", "node", chain, longName),
        entry(3001, "127.0.0.1", "\U0001F680vite", chain, wide),
        entry(5174, "127.0.0.1", "node", {"pnpm", "sh"}, "cafe\u0301-cre\u0300me-bru\u0302le\u0301e"),
        entry(8080, "127.0.0.1", "\u4F8B\u3048\u3070", {"\U0001F9EA\u0308", "zsh"}, "shop")};
    // Every process but 5173's has its figures; its columns stay empty.
    std::unordered_map<std::int32_t, ProcessStats> stats{{4000, {12.44, 340}}, {1022, {0, 1536}}};
    for (const std::int32_t pid : {4001, 6174, 9080}) stats[pid] = {1.5, 120};

    // The narrow table last, for the exact lines below.
    std::vector<std::string> lines;
    for (const std::size_t width : {200u, 80u}) {
        SCOPED_TRACE(width);
        lines = test::lines(cli::renderPortTable(entries, stats, {width, false}));
        ASSERT_EQ(lines.size(), 13u) << "cut, not wrapped";
        EXPECT_EQ(lines[0], "Development \u00B7 5");
        EXPECT_EQ(lines[8], "System and other \u00B7 1");
        EXPECT_EQ(lines[12], "! reachable from other machines");
        for (const auto& line : lines) EXPECT_LE(layOut(line).size(), width) << line;
        EXPECT_EQ(lines[3].find(longName) != std::string::npos, width == 200) << lines[3];
        EXPECT_EQ(lines[4].find(wide) != std::string::npos, width == 200) << lines[4];
        // The rows with every cell filled, in the order given: each cell's first (or, aligned right, last)
        // display column is its title's, and the column before (after) it is blank.
        const std::string& header = lines[1];
        for (const std::size_t line : {2, 4, 5, 6}) {
            const std::wstring laid = layOut(lines[line]);
            const auto blank = [&](std::size_t at) { return at >= laid.size() || laid[at] == L' '; };
            const auto cell = [&](std::size_t at, std::size_t outside) {
                return at < laid.size() && laid[at] != L' ' && laid[at] != L'\0' && blank(outside);
            };
            for (const std::string title : {"ADDRESS", "USER", "COMMAND", "PROJECT", "STARTED BY"})
                EXPECT_TRUE(cell(header.find(title), header.find(title) - 1)) << title << ": " << lines[line];
            for (const std::string title : {"PORT", "PID", "CPU", "MEM"}) {
                const std::size_t end = header.find(title) + title.size() - 1;
                EXPECT_TRUE(cell(end, end + 1)) << title << ": " << lines[line];
            }
        }
    }
    // The project column narrows to 16: seven wide characters and the ellipsis take 15.
    EXPECT_EQ(lines[1], "PORT  ADDRESS     PID  USER  COMMAND  PROJECT          STARTED BY    CPU     MEM");
    EXPECT_EQ(lines[2],
              "3000  127.0.0.1  4000  dev   node     shop             npm \u2190 zsh   12.4%  340 MB");
    EXPECT_EQ(lines[3], "5173  *!         6173  dev   node     an-extremely-l\u2026  npm \u2190 zsh");
    EXPECT_EQ(lines[10],
              "  22  0.0.0.0!   1022  dev   node                      npm \u2190 zsh    0.0%  1.5 GB");
}

TEST_F(TerminalOutput, TableColourOnlyOnATerminalAndNeverWithNoColor) {
    test::Child server(test::listener({"--dev-port"}));
    const std::int64_t port = test::listeningPort(server);
    const auto piped = test::runMoorix({"--table"});
    EXPECT_NE(piped.out.find(std::to_string(port) + "  127.0.0.1"), std::string::npos) << piped.out;
    EXPECT_EQ(piped.out.find('\033'), std::string::npos);

    const std::vector<std::string> inTerminal{test::pythonBinary(), test::supportScript("in_terminal.py"),
                                              "70", MOORIX_BINARY, "--table"};
    // Only a value turns colour off.
    EXPECT_NE(test::runCommand(inTerminal, {{"NO_COLOR", ""}}).out.find("\033[1m"), std::string::npos);
    const auto plain = test::runCommand(inTerminal, {{"NO_COLOR", "1"}});
    EXPECT_EQ(plain.out.find('\033'), std::string::npos);
    for (const auto& line : test::lines(plain.out)) EXPECT_LE(layOut(line).size(), 70u) << line;
}

// Names, arguments and folders that anyone can choose, holding a terminal's window-title command (ESC ] 0 ; t
// BEL), a carriage return, a C1 control (CSI), DEL and an invalid byte: every mode shows them, none obeys.
TEST_F(TerminalOutput, EveryModeShowsOutsideControlCharactersAsEscapes) {
    const std::string hostile = "\x1b]0;t\x07\r\xc2\x9b\x7f", shown = "\\x1b]0;t\\x07\\r\\x9b\\x7f";
    test::TempDir dir;
    dir.write("m/package.json", R"({"name":"p\u001b]0;t\u0007\r\u009b\u007f"})");
    std::filesystem::create_directory(dir.file("d" + hostile));
    // A server named "n…" started by its parent "s…".
    const std::vector<std::string> argv{
        test::pythonNamed(dir, "s" + hostile), test::supportScript("spawn_child.py"),
        test::pythonNamed(dir, "n" + hostile + "\xff"), test::supportScript("listener.py")};
    test::Child first(argv, {.cwd = dir.file("m")}), second(argv, {.cwd = dir.file("d" + hostile)});
    const std::string firstPort = std::to_string(test::listeningPort(first));
    const std::string secondPort = std::to_string(test::listeningPort(second));
    std::int32_t firstPid = 0;
    for (const auto& [pid, info] : PortCore::processTable())
        if (info.ppid == first.pid()) firstPid = pid;

    // An opening of the first server two days ago makes it stale for --insights, and is --history's line.
    PortEvent opening;
    opening.at = currentInstant() - std::chrono::hours(48);
    opening.port = std::stoll(firstPort);
    opening.pid = firstPid;
    opening.command = "h" + hostile;
    opening.parentChain = {"r" + hostile};
    dir.write("data/Moorix/history.jsonl", *encodeEventLine(opening) + "\n");
    test::script(dir.file("docker"), dir.file("docker-args"),
                 "printf 'c" + hostile + "\\t0.0.0.0:8080->80/tcp\\n'");
    const std::map<std::string, std::string> env{{"XDG_DATA_HOME", dir.file("data")},
                                                 {"MOORIX_TEST_DOCKER", dir.file("docker")}};

    const std::string name = "n" + shown + "\uFFFD";
    for (const auto& [args, shows] : std::vector<std::pair<Strings, Strings>>{
             {{"--table"}, {name, "s" + shown, "p" + shown, "d" + shown}},
             {{"--history"}, {" h" + shown + " \u2190 r" + shown + " \n"}},
             {{"--insights"}, {"stale   " + firstPort + " " + name + " since "}},
             {{"--argv", std::to_string(firstPid)}, {"[0] " + dir.path() + "/" + name + "\n"}},
             {{"--docker"}, {"8080 -> c" + shown + "\n"}},
             {{"--kill", secondPort}, {"killing " + name + " pid "}},
             {{"--kill-tree", firstPort}, {" (" + name + ") -> tree root "}}}) {
        SCOPED_TRACE(args[0]);
        const auto result = test::runMoorix(args, env);
        EXPECT_EQ(result.status, 0);
        // Every line valid UTF-8 with no control character, which the C library finds unprintable.
        for (const auto& line : test::lines(result.out)) layOut(line);
        for (const auto& text : shows)
            EXPECT_NE(result.out.find(text), std::string::npos) << text << " in\n" << result.out;
    }
}

} // namespace moorix
