// --help, --version and --table: what a person reads in a terminal.
#include "app/cli/port_table.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace moorix {

namespace {

PortEntry entry(std::int64_t port, std::int32_t pid, const std::string& address, std::optional<std::string> project) {
    return {port, address, pid, "node", "dev", {"npm", "zsh"}, pid - 1, "/home/dev/x", std::move(project)};
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::size_t columns(const std::string& line) {
    return static_cast<std::size_t>(std::count_if(line.begin(), line.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

} // namespace

TEST(HelpAndVersion, AnswerBeforeEveryOtherOption) {
    const auto version = test::runMoorix({"--version", "--list"});
    EXPECT_EQ(version.out, "moorix " MOORIX_VERSION "\n");
    EXPECT_EQ(version.status, 0);
    const auto help = test::runMoorix({"--list", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.starts_with("Moorix: ")) << "help, not a listing: " << help.out;
}

TEST(PortTable, FitsTheWidthByCuttingTheWidestTextColumnsAndNeverWraps) {
    const std::vector<PortEntry> entries{
        entry(22, 600, "0.0.0.0", std::nullopt), entry(3000, 4242, "127.0.0.1", "shop"),
        entry(5173, 4300, "*", "an-extremely-long-project-name-that-would-never-fit-in-eighty-columns")};
    const std::unordered_map<std::int32_t, ProcessStats> stats{{4242, {12.44, 340}}, {600, {0, 1536}}};

    const auto wide = linesOf(cli::renderPortTable(entries, stats, {200, false}));
    ASSERT_EQ(wide.size(), 10u);
    EXPECT_EQ(wide[0], "Development \u00B7 2");
    EXPECT_NE(wide[3].find("an-extremely-long-project-name-that-would-never-fit-in-eighty-columns  npm"),
              std::string::npos)
        << "200 columns cut nothing";
    EXPECT_EQ(wide[4], "");
    EXPECT_EQ(wide[5], "System and other \u00B7 1");
    EXPECT_EQ(wide[9], "! reachable from other machines");

    const auto narrow = linesOf(cli::renderPortTable(entries, stats, {80, false}));
    ASSERT_EQ(narrow.size(), wide.size()) << "cut, not wrapped";
    EXPECT_EQ(narrow[1], "PORT  ADDRESS     PID  USER  COMMAND  PROJECT          STARTED BY    CPU     MEM");
    EXPECT_EQ(narrow[2], "3000  127.0.0.1  4242  dev   node     shop             npm \u2190 zsh   12.4%  340 MB");
    EXPECT_EQ(narrow[3], "5173  *!         4300  dev   node     an-extremely-l\u2026  npm \u2190 zsh");
    EXPECT_EQ(narrow[7], "  22  0.0.0.0!    600  dev   node                      npm \u2190 zsh    0.0%  1.5 GB");
    for (const auto& line : narrow) EXPECT_LE(columns(line), 80u) << line;
}

TEST(PortTable, ColourOnlyOnATerminalAndNeverWithNoColor) {
    test::Child server(test::listener({"--dev-port"}));
    const std::int64_t port = test::listeningPort(server);
    const auto piped = test::runMoorix({"--table"});
    EXPECT_EQ(piped.status, 0);
    EXPECT_NE(piped.out.find(std::to_string(port) + "  127.0.0.1"), std::string::npos) << piped.out;
    EXPECT_EQ(piped.out.find('\033'), std::string::npos);

    const std::string terminal = test::supportScript("in_terminal.py");
    const std::vector<std::string> inTerminal{test::pythonBinary(), terminal, "70", MOORIX_BINARY, "--table"};
    const auto coloured = test::runCommand(inTerminal);
    EXPECT_NE(coloured.out.find("\033[1m"), std::string::npos) << coloured.out;
    EXPECT_NE(test::runCommand(inTerminal, {{"NO_COLOR", ""}}).out.find("\033[1m"), std::string::npos)
        << "only a value turns colour off";
    const auto plain = test::runCommand(inTerminal, {{"NO_COLOR", "1"}});
    EXPECT_EQ(plain.out.find('\033'), std::string::npos);
    for (const auto& line : linesOf(plain.out)) EXPECT_LE(columns(line), 70u) << line;
}

} // namespace moorix
