#include "core/port_event.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace moorix {

namespace {

using std::chrono::sys_days;
using namespace std::chrono_literals;

Instant instant(int year, unsigned month, unsigned day, int h, int m, int s) {
    return sys_days{std::chrono::year{year} / month / day} + std::chrono::hours{h} + std::chrono::minutes{m} +
           std::chrono::seconds{s};
}

PortEvent opening() {
    return PortEvent{instant(2026, 12, 5, 9, 14, 2), EventAction::opened, 3000, 4242, "node", {"npm", "zsh"}, "dev", "*",
                     "/Users/dev/shop", "shop", std::vector<std::string>{"node", "server.js"}, std::nullopt};
}

const std::string kOpeningLine =
    R"({"at":"2026-12-05T09:14:02Z","action":"opened","port":3000,"pid":4242,"command":"node","parentChain":["npm","zsh"],)"
    R"("user":"dev","address":"*","cwd":"\/Users\/dev\/shop","project":"shop","argv":["node","server.js"]})";

// The general JSON reader, which the compact fast path must agree with on every line.
std::optional<PortEvent> generalDecode(const std::string& line) {
    const auto value = nlohmann::json::parse(line, nullptr, false);
    if (value.is_discarded()) return std::nullopt;
    return portEventFromJson(value);
}

} // namespace

TEST(Instant, IsoFormRoundTripsAndRejectsEveryOtherForm) {
    EXPECT_EQ(formatIsoInstant(instant(2026, 12, 5, 11, 1, 15)), "2026-12-05T11:01:15Z");
    EXPECT_EQ(formatIsoInstant(instant(1970, 1, 1, 0, 0, 0)), "1970-01-01T00:00:00Z");
    EXPECT_EQ(parseIsoInstant("2028-02-29T23:59:59Z"), instant(2028, 2, 29, 23, 59, 59));
    EXPECT_EQ(parseIsoInstant("1969-12-31T23:59:59Z"), instant(1970, 1, 1, 0, 0, 0) - 1s);
    for (const char* bad : {"2026-12-05T09:14:02.500Z", "2026-12-05T09:14:02", "2026-12-05T09:14:02+00:00",
                            "2026-12-05 09:14:02Z", "2026-12-05t09:14:02z", "2027-02-29T00:00:00Z",
                            "2026-13-01T00:00:00Z", "2026-12-05T24:00:00Z", "2026-12-05T23:60:00Z",
                            "2026-12-05T23:59:60Z", "+026-12-05T09:14:02Z", "2026-1-05T09:14:02Z", ""})
        EXPECT_FALSE(parseIsoInstant(bad).has_value()) << bad;
    EXPECT_FALSE(formatIsoInstant(instant(10000, 1, 1, 0, 0, 0)).has_value());
    EXPECT_EQ(formatDisplayInstant(instant(2026, 12, 5, 11, 1, 15)), "2026-12-05 11:01:15 +0000");
}

TEST(PortEventJson, OpeningAndClosingLinesAreExact) {
    EXPECT_EQ(encodeEventLine(opening()), kOpeningLine);

    PortEvent closing = opening();
    closing.action = EventAction::closed;
    closing.argv.reset();
    closing.cwd.reset();
    closing.ending = Ending::killedByMoorix;
    EXPECT_EQ(encodeEventLine(closing),
              R"({"at":"2026-12-05T09:14:02Z","action":"closed","port":3000,"pid":4242,"command":"node",)"
              R"("parentChain":["npm","zsh"],"user":"dev","address":"*","project":"shop","ending":"killedByMoorix"})");

    PortEvent bare{instant(2026, 1, 2, 3, 4, 5), EventAction::opened, -1, -7, "a\"b\\c", {}, "", "::1",
                   std::nullopt, std::nullopt, std::vector<std::string>{}, std::nullopt};
    EXPECT_EQ(encodeEventLine(bare), R"({"at":"2026-01-02T03:04:05Z","action":"opened","port":-1,"pid":-7,)"
                                     R"("command":"a\"b\\c","parentChain":[],"user":"","address":"::1","argv":[]})");
    EXPECT_EQ(decodeEventLine(*encodeEventLine(bare)), bare) << "an empty argv stays present";

    PortEvent late = opening();
    late.at = instant(10000, 1, 1, 0, 0, 0);
    EXPECT_FALSE(encodeEventLine(late).has_value());
    late = opening();
    late.command = "bad\xFF";
    EXPECT_FALSE(encodeEventLine(late).has_value()) << "not UTF-8";
}

TEST(PortEventJson, RootIsOutermostAncestorOrCommand) {
    PortEvent event = opening();
    EXPECT_EQ(event.root(), "zsh");
    event.parentChain.clear();
    EXPECT_EQ(event.root(), "node");
}

TEST(PortEventJson, DecodingToleratesOrderNullsBlanksAndPlainSlashes) {
    EXPECT_EQ(decodeEventLine(kOpeningLine), opening());
    const std::string reordered =
        R"( { "argv" : ["node","server.js"], "project":"shop", "cwd":"/Users/dev/shop", "address":"*", "user":"dev",)"
        R"( "parentChain":["npm","zsh"], "command":"node", "pid":4242, "port":3000, "action":"opened",)"
        R"( "at":"2026-12-05T09:14:02Z", "future":{"x":[1,2,{"y":null}]} } )";
    EXPECT_EQ(decodeEventLine(reordered), opening());

    PortEvent expected = opening();
    expected.cwd.reset();
    expected.project.reset();
    expected.argv.reset();
    EXPECT_EQ(decodeEventLine(R"({"at":"2026-12-05T09:14:02Z","action":"opened","port":3000,"pid":4242,"command":"node",)"
                              R"("parentChain":["npm","zsh"],"user":"dev","address":"*","cwd":null,"argv":null,"ending":null})"),
              expected);
    EXPECT_EQ(decodeEventLine("{\"at\":\"2026-12-05T09:14:02Z\",\"action\":\"opened\",\"port\":3000,\"pid\":4242,"
                              "\"command\":\"n\\u006fde\",\"parentChain\":[\"npm\",\"zsh\"],\"user\":\"dev\",\"address\":\"*\"}\r"),
              expected)
        << "unicode escapes and a carriage return";
}

TEST(PortEventJson, UndecodableLines) {
    const std::string good = kOpeningLine;
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string line = good;
        line.replace(line.find(from), from.size(), to);
        return line;
    };
    const std::vector<std::string> bad{
        replaced("\"2026-12-05T09:14:02Z\"", "\"2026-12-05T09:14:02.500Z\""),
        replaced("\"2026-12-05T09:14:02Z\"", "\"2026-12-05T09:14:02\""),
        replaced("\"2026-12-05T09:14:02Z\"", "1796462042"),
        replaced("\"opened\"", "\"crashed\""),
        replaced("\"opened\"", "\"Opened\""),
        replaced("\"argv\":[\"node\",\"server.js\"]}", "\"ending\":\"crashed\"}"),
        replaced("\"argv\":[\"node\",\"server.js\"]}", "\"ending\":3}"),
        replaced("3000", "3000.0"),
        replaced("3000", "3e3"),
        replaced("3000", "\"3000\""),
        replaced("4242", "2147483648"),
        replaced("3000", "9223372036854775808"),
        replaced("\"dev\"", "null"),
        replaced("\"*\"", "7"),
        replaced("[\"npm\",\"zsh\"]", "[\"npm\",1]"),
        replaced("[\"npm\",\"zsh\"]", "\"npm\""),
        replaced("\"shop\"", "[\"shop\"]"),
        replaced("\"server.js\"", "null"),
        replaced("\"command\":\"node\",", ""),
        replaced("\"node\"", "\"no\xFF\""),
        replaced("\"node\"", "\"no\x01\""),
        good.substr(0, good.size() / 2),
        good + "x",
        good + good,
        "[" + good + "]",
        "",
        "null",
        "\xEF\xBB\xBF\xFF\xFE garbage",
    };
    for (const auto& line : bad) {
        EXPECT_FALSE(decodeEventLine(line).has_value()) << line;
        EXPECT_FALSE(generalDecode(line).has_value()) << line;
    }
    EXPECT_EQ(decodeEventLine(replaced("3000", "-9223372036854775808"))->port, INT64_MIN);
}

TEST(PortEventJson, FastPathAgreesWithTheGeneralReader) {
    std::vector<PortEvent> events{opening()};
    PortEvent event = opening();
    event.command = "caf\xC3\xA9 \xE2\x86\x90 \"q\" \\ / \t\n";
    event.parentChain = {"", "a/b"};
    event.ending = Ending::unexpected;
    event.action = EventAction::closed;
    events.push_back(event);
    event.argv.reset();
    event.cwd = "";
    event.ending = Ending::parentExited;
    event.port = INT64_MAX;
    event.pid = INT32_MIN;
    events.push_back(event);
    for (const auto& original : events) {
        const std::string line = *encodeEventLine(original);
        EXPECT_EQ(decodeEventLine(line), original) << line;
        EXPECT_EQ(generalDecode(line), original) << line;
        // Every cut of a written line is either undecodable for both readers or read the same by both.
        for (std::size_t cut = 0; cut < line.size(); ++cut)
            ASSERT_EQ(decodeEventLine(line.substr(0, cut)), generalDecode(line.substr(0, cut))) << cut;
    }
}

} // namespace moorix
