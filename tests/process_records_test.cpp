#include "core/kill_record.h"
#include "core/platform/platform.h"
#include "core/process_inspection.h"
#include "core/process_records.h"

#include <gtest/gtest.h>

#include <cstring>

namespace moorix {

using PortCore::parseArgumentArea;
using PortCore::parseCmdline;
using Strings = std::vector<std::string>;

namespace {

// An argument area as the macOS kernel lays it out: argc, executable path, padding, arguments, environment.
std::string argumentArea(std::int32_t argc, std::string_view rest) {
    std::string area(sizeof argc, '\0');
    std::memcpy(area.data(), &argc, sizeof argc);
    area.append(rest);
    return area;
}

using namespace std::string_view_literals;

} // namespace

TEST(ArgumentArea, ReadsArgcArgumentsAfterPathAndPaddingAndIgnoresEnvironment) {
    const auto area = argumentArea(4, "/usr/local/bin/node\0\0\0\0node\0server.js\0--port\0" "3000\0PATH=/bin\0"sv);
    EXPECT_EQ(parseArgumentArea(area), (Strings{"node", "server.js", "--port", "3000"}));
}

TEST(ArgumentArea, KeepsEmptyArgumentsAndRepairsInvalidUtf8) {
    const auto area = argumentArea(4, "/bin/x\0x\0\0a b\0\xff\xfe\0"sv);
    EXPECT_EQ(parseArgumentArea(area), (Strings{"x", "", "a b", "\xEF\xBF\xBD\xEF\xBF\xBD"}));
}

TEST(ArgumentArea, LastArgumentWithoutItsNulStillCounts) {
    EXPECT_EQ(parseArgumentArea(argumentArea(2, "/bin/x\0x\0last"sv)), (Strings{"x", "last"}));
}

TEST(ArgumentArea, AbsentWhenArgcDisagreesOrAreaIsCutShort) {
    EXPECT_FALSE(parseArgumentArea(argumentArea(3, "/bin/x\0x\0y\0"sv))) << "argc 3, two strings";
    EXPECT_FALSE(parseArgumentArea(argumentArea(2, "/bin/x\0\0\0"sv))) << "padding to the end";
    EXPECT_FALSE(parseArgumentArea(argumentArea(1, "/bin/x"sv))) << "path without its NUL";
    EXPECT_FALSE(parseArgumentArea(argumentArea(0, "/bin/x\0x\0"sv)));
    EXPECT_FALSE(parseArgumentArea(argumentArea(-1, "/bin/x\0x\0"sv)));
    EXPECT_FALSE(parseArgumentArea(argumentArea(1, ""sv))) << "four bytes only";
    EXPECT_FALSE(parseArgumentArea("\x01\x00"sv));
    EXPECT_FALSE(parseArgumentArea(""sv));
}

TEST(Cmdline, SplitsAtNulsKeepingEmptyArguments) {
    EXPECT_EQ(parseCmdline("node\0server.js\0\0--x\0"sv), (Strings{"node", "server.js", "", "--x"}));
    EXPECT_EQ(parseCmdline("a\0\0"sv), (Strings{"a", ""}));
    EXPECT_EQ(parseCmdline("\0"sv), (Strings{""}));
    EXPECT_EQ(parseCmdline("rewritten title"sv), (Strings{"rewritten title"})) << "no final NUL";
    EXPECT_EQ(parseCmdline("a\0\x80"sv), (Strings{"a", "\xEF\xBF\xBD"}));
    EXPECT_FALSE(parseCmdline(""sv)) << "kernel threads and exited processes have no arguments";
}

TEST(StatusUid, ReadsTheEffectiveUid) {
    EXPECT_EQ(PortCore::parseStatusEffectiveUid("Name:\tx\nUmask:\t0022\nUid:\t1000\t65534\t1000\t1000\nGid:\t1\t1\t1\t1\n"),
              65534u);
    EXPECT_EQ(PortCore::parseStatusEffectiveUid("Uid:\t0\t4294967295\t0\t0\n"), 4294967295u);
    EXPECT_FALSE(PortCore::parseStatusEffectiveUid("Uid:\t0\n"));
    EXPECT_FALSE(PortCore::parseStatusEffectiveUid("Uid:\t0\t-1\t0\t0\n"));
    EXPECT_FALSE(PortCore::parseStatusEffectiveUid("Uid:\t0\t4294967296\t0\t0\n"));
    EXPECT_FALSE(PortCore::parseStatusEffectiveUid("Gid:\t0\t0\t0\t0\n"));
}

TEST(ProcessStatsParse, KeepsOnlyThreeReadableColumnsAndRoundsMemoryDown) {
    const auto stats = PortCore::parseStats("  4242 12.5 204800\n"
                                            "7 0.0 1023\n"
                                            "8 150 1048575\n"
                                            "9 1.0 100 extra\n"
                                            "10 nan 100\n"
                                            "11 1e3 100\n"
                                            "12 1.0\n"
                                            "x 1.0 100\n"
                                            "13 1.0 12k\n"
                                            "\n");
    EXPECT_EQ(stats, (std::unordered_map<std::int32_t, ProcessStats>{
                         {4242, {12.5, 200}}, {7, {0.0, 0}}, {8, {150.0, 1023}}}));
}

TEST(ProcessStatsRun, AsksPsForTheGivenPidsInOrderAndSkipsImpossibleOnes) {
    std::vector<std::vector<std::string>> calls;
    const PortCore::ToolRunner fake = [&](const std::string& path, const std::vector<std::string>& args, double timeout) {
        EXPECT_EQ(path, platform::psPath());
        EXPECT_EQ(timeout, 5.0);
        calls.push_back(args);
        return std::string("30 1.5 2048\n");
    };
    EXPECT_TRUE(PortCore::stats({}, fake).empty());
    EXPECT_TRUE(PortCore::stats({0, -5}, fake).empty());
    EXPECT_TRUE(calls.empty()) << "no process to ask about, no tool run";
    EXPECT_EQ(PortCore::stats({30, -1, 20}, fake), (std::unordered_map<std::int32_t, ProcessStats>{{30, {1.5, 2}}}));
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0], (Strings{"-o", "pid=,pcpu=,rss=", "-p", "30,20"}));
}

TEST(KillRecordClock, RecordsSurviveUntilANoteSixtySecondsLaterPrunesThem) {
    auto now = std::chrono::system_clock::time_point{} + std::chrono::hours(1000);
    KillRecord record([&] { return now; });
    EXPECT_FALSE(record.contains(10));
    record.note(10);
    EXPECT_TRUE(record.contains(10));

    now += std::chrono::seconds(30);
    record.note(20);
    now += std::chrono::milliseconds(29999);
    record.note(30);
    EXPECT_TRUE(record.contains(10)) << "59.999 s old survives a note";

    now += std::chrono::seconds(120);
    EXPECT_TRUE(record.contains(10)) << "age alone removes nothing";
    record.note(10);
    EXPECT_TRUE(record.contains(10)) << "noted again with a fresh time";
    EXPECT_FALSE(record.contains(20));
    EXPECT_FALSE(record.contains(30));

    now += std::chrono::seconds(60);
    record.note(40);
    EXPECT_FALSE(record.contains(10)) << "exactly 60 s old is pruned";
}

} // namespace moorix
