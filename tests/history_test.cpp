// The port history: its event lines, the store on disk, the recorder and the insights.
#include "core/history/history.h"
#include "core/history/insights.h"
#include "core/history/recorder.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

namespace moorix {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using Argv = std::optional<std::vector<std::string>>;
constexpr auto kOpened = EventAction::Opened, kClosed = EventAction::Closed;
const Instant kAt = sys_days{2026y / 12 / 5} + 9h + 14min + 2s;

PortEvent event(Instant at, std::int64_t port, std::int32_t pid, EventAction action = kOpened,
                std::optional<Ending> ending = {}) {
    return {at, action, port, pid, "node", {"zsh"}, "dev", "*", {}, {}, {}, ending};
}
PortEvent numbered(int i) { return event(kAt + seconds{i}, 3000 + i, 100 + i); }
std::string line(int i) { return *encodeEventLine(numbered(i)) + "\n"; }

const std::vector<std::string> kChain{"npm", "zsh"}, kArgv{"node", "server.js"};
const PortEvent kOpening{kAt, kOpened,           3000,   4242,  "node", kChain, "dev",
                         "*", "/Users/dev/shop", "shop", kArgv, {}};
const std::string kLine =
    R"({"at":"2026-12-05T09:14:02Z","action":"opened","port":3000,"pid":4242,"command":"node","parentChain":["npm","zsh"],)"
    R"("user":"dev","address":"*","cwd":"\/Users\/dev\/shop","project":"shop","argv":["node","server.js"]})";

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

std::vector<PortEvent> events(History& store, Instant since) {
    const HistoryView view = store.events(since);
    return {view.begin(), view.end()};
}

// The general JSON reader, which the compact fast path must agree with on every line.
std::optional<PortEvent> generalDecode(const std::string& text) {
    return portEventFromJson(nlohmann::json::parse(text, nullptr, false));
}

class HistoryFile : public ::testing::Test {
protected:
    std::vector<PortEvent> all() { return events(history, Instant::min()); }
    test::TempDir dir;
    std::string path = dir.file("history.jsonl");
    History history{path};
};

} // namespace

TEST(PortEventJson, WrittenLinesAreExactAndBothReadersReadThemBack) {
    EXPECT_EQ(encodeEventLine(kOpening), kLine);
    EXPECT_EQ(encodeEventLine(event(kAt, 3000, 4242, kClosed, Ending::KilledByMoorix)),
              R"({"at":"2026-12-05T09:14:02Z","action":"closed","port":3000,"pid":4242,"command":"node",)"
              R"("parentChain":["zsh"],"user":"dev","address":"*","ending":"killedByMoorix"})");
    PortEvent late = kOpening, notUtf8 = kOpening,
              odd = event(kAt, INT64_MAX, INT32_MIN, kClosed, Ending::Unexpected);
    late.at = sys_days{10000y / 1 / 1};
    notUtf8.command = "bad\xFF";
    EXPECT_FALSE(encodeEventLine(late) || encodeEventLine(notUtf8)) << "a year past 9999, or not UTF-8";
    EXPECT_EQ(formatDisplayInstant(kAt), "2026-12-05 09:14:02 +0000");
    odd.command = "caf\xC3\xA9 \xE2\x86\x90 \"q\" \\ / \t\n";
    odd.argv.emplace(); // an empty argv stays present
    odd.at = sys_days{2028y / 2 / 29} + 86399s;
    for (const auto& original : {kOpening, odd}) {
        const std::string text = *encodeEventLine(original);
        EXPECT_EQ(decodeEventLine(text), original) << text;
        EXPECT_EQ(generalDecode(text), original) << text;
        // Every cut of a written line is either undecodable for both readers or read the same by both.
        for (std::size_t cut = 0; cut < text.size(); ++cut)
            ASSERT_EQ(decodeEventLine(text.substr(0, cut)), generalDecode(text.substr(0, cut))) << cut;
    }
}

TEST(PortEventJson, ReadingToleratesFormButNotContent) {
    EXPECT_EQ(decodeEventLine(
                  R"( { "address":"*", "user":"dev", "parentChain":["zsh"], "command":"node", "pid":2,)"
                  R"( "port":1, "action":"opened", "at":"2026-12-05T09:14:02Z", "future":[{"y":null}] } )"),
              event(kAt, 1, 2));
    const std::string nulls =
        replaced(kLine, R"("cwd":"\/Users\/dev\/shop","project":"shop","argv":["node","server.js"])",
                 R"("cwd":null,"argv":null,"ending":null)");
    EXPECT_EQ(decodeEventLine(replaced(nulls, R"("node")", R"("n\u006fde")") + "\r"),
              (PortEvent{kAt, kOpened, 3000, 4242, "node", {"npm", "zsh"}, "dev", "*", {}, {}, {}, {}}));
    EXPECT_EQ(decodeEventLine(replaced(kLine, "3000", "-9223372036854775808"))->port, INT64_MIN);

    const std::string time = "2026-12-05T09:14:02Z";
    for (const auto& text :
         {kLine.substr(0, kLine.size() / 2), kLine + "x", kLine + kLine, "[" + kLine + "]", std::string(),
          std::string("null"), std::string("\xEF\xBB\xBF\xFF\xFE garbage"),
          replaced(kLine, time, "2026-12-05T09:14:02+00:00"), replaced(kLine, time, "2027-02-29T00:00:00Z"),
          replaced(kLine, time, "2026-13-01T00:00:00Z"), replaced(kLine, time, "2026-12-05T24:00:00Z"),
          replaced(kLine, "\"opened\"", "\"crashed\""),
          replaced(kLine, "\"argv\":[\"node\",\"server.js\"]}", "\"ending\":\"crashed\"}"),
          replaced(kLine, "3000", "3000.0"), replaced(kLine, "4242", "2147483648"),
          replaced(kLine, "\"command\":\"node\",", ""), replaced(kLine, "\"node\"", "\"no\xFF\""),
          replaced(kLine, "\"node\"", "\"no\x01\"")}) {
        EXPECT_FALSE(decodeEventLine(text).has_value()) << text;
        EXPECT_FALSE(generalDecode(text).has_value()) << text;
    }
}

TEST_F(HistoryFile, AppendsPrivateLinesAndReadsThemSinceAnInstant) {
    for (int i : {0, 3600, 1800}) history.append(numbered(i));
    EXPECT_EQ(test::readFile(path), line(0) + line(3600) + line(1800));
    EXPECT_EQ(fs::status(path).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(events(history, kAt + 1800s), (std::vector{numbered(3600), numbered(1800)})) << "in file order";
}

TEST_F(HistoryFile, DamagedContentLosesOnlyTheDamagedLines) {
    EXPECT_TRUE(all().empty()) << "missing";
    const std::string last = line(6);
    for (const auto& [content, expected] : std::vector<std::pair<std::string, std::vector<PortEvent>>>{
             {"", {}},
             {std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), {}},
             {"\n\n" + line(1) + "\n" + line(2) + line(5).substr(0, 40) + "\n\xFF\xFE\x01\nnot json\n[1]\n" +
                  last.substr(0, last.size() - 1),
              {numbered(1), numbered(2), numbered(6)}},
             {line(1) + last.substr(0, last.size() / 2), {numbered(1)}}}) {
        dir.write("history.jsonl", content);
        EXPECT_EQ(all(), expected) << content;
    }
    history.append(numbered(7));
    EXPECT_EQ(all(), std::vector{numbered(1)}) << "glued to the cut last line, lost with it";
}

// The store decodes only what was appended since its last read; whatever happens to the file, it must read
// what a fresh store reads, from any instant on, and a view it handed out earlier must not change. The file
// holds many kilobytes, as weeks of history do, so that changes land past the first 4 KiB as well.
TEST_F(HistoryFile, RandomChangesAlwaysReadAsAFreshStoreReads) {
    std::mt19937 random(20261205);
    int next = 0;
    while (next < 200) history.append(numbered(next++));
    HistoryView held;
    std::vector<PortEvent> heldCopy;
    for (int step = 0; step < 400; ++step) {
        std::string content = test::readFile(path);
        const auto choice = random() % 10;
        if (choice < 5) { // now and then a clock that stepped back
            history.append(random() % 8 ? numbered(next++)
                                        : numbered(static_cast<int>(random() % (next + 1)) - 10));
        } else if (choice == 5) { // cut anywhere, mid-line too, maybe grown in place past its old size
            content.resize(random() % (content.size() + 1));
            if (random() % 2) content += "garbage\n";
            for (auto more = random() % 4; more > 0; --more) content += line(next++);
            dir.write("history.jsonl", content);
        } else if (choice == 6 && !content.empty()) { // rewritten in place to the same size
            content[random() % content.size()] = static_cast<char>('a' + random() % 26);
            std::fstream(path, std::ios::in | std::ios::out | std::ios::binary) << content;
        } else {
            dir.write("moved", content + line(next++));
            fs::rename(dir.file("moved"), path);
        }
        History other(path);
        const std::vector<PortEvent> fresh = events(other, Instant::min());
        ASSERT_EQ(all(), fresh) << step << " " << choice;
        ASSERT_EQ(std::vector<PortEvent>(held.begin(), held.end()), heldCopy) << step << " " << choice;
        const Instant since = kAt + seconds{static_cast<int>(random() % (next + 1)) - 5};
        // Checked at the next step, after the next change.
        held = history.events(since);
        std::erase_if(heldCopy = fresh, [&](const PortEvent& e) { return e.at < since; });
    }
}

// Threads append while another process reads: nothing is lost, every line it sees is whole.
TEST_F(HistoryFile, ConcurrentAppendsAndReadsLoseAndTearNothing) {
    constexpr int kThreads = 4, kEach = 200, kTotal = kThreads * kEach + 1;
    history.append(numbered(-1));
    test::Child reader({test::pythonBinary(), "-c", R"(
import json, sys, time
deadline, lines = time.time() + 60, []
while len(lines) < int(sys.argv[2]) and time.time() < deadline:
    lines = [json.loads(raw) for raw in open(sys.argv[1], 'rb').read().split(b'\n')[:-1]]
print(len(lines), flush=True)
)",
                        path, std::to_string(kTotal)});
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t)
        writers.emplace_back([&, t] {
            HistoryView view; // read while the other threads make the store decode more
            std::vector<PortEvent> copy;
            for (int i = 0; i < kEach; ++i) {
                history.append(numbered(t * 1000 + i));
                if (i % 20 != 0) continue;
                EXPECT_EQ(std::vector<PortEvent>(view.begin(), view.end()), copy);
                view = history.events(Instant::min());
                copy.assign(view.begin(), view.end());
            }
        });
    for (auto& writer : writers) writer.join();
    History other(path);
    EXPECT_EQ(all(), events(other, Instant::min()));
    EXPECT_EQ(reader.readLine(70), std::to_string(kTotal));
}

TEST_F(HistoryFile, RecorderWritesWhatOpensAndClosesAfterTheBaseline) {
    const Argv served{{"node", "s.js"}};
    Recorder recorder([this](const PortEvent& event) { history.append(event); },
                      [&](std::int32_t pid) { return pid == 12 ? served : Argv{}; },
                      [](std::int32_t pid) { return pid == 21; });
    std::vector<PortEntry> listing;
    int resolveCalls = 0;
    auto tick = [&](int at, const std::set<std::int64_t>& ports) {
        recorder.record(
            kAt + seconds{at}, ports, [&] { return ++resolveCalls, listing; },
            [](std::int32_t pid) { return pid == 21 || pid == 22; });
    };
    tick(0, {3000}); // the baseline: no event for what is already open
    for (const auto& [port, pid] :
         {std::pair{3000, 10}, {8080, 13}, {8080, 12}, {4001, 21}, {4002, 22}, {4003, 23}})
        listing.push_back({port, "127.0.0.1", pid, "node", "dev", {"zsh"}, 1, "/w", "shop"});
    tick(1, {3000, 4001, 4002, 4003, 8080, 9090}); // 9090 closed again before the listing
    tick(2, {3000, 4001, 4002, 4003, 8080, 9090});
    tick(3, {});
    EXPECT_EQ(resolveCalls, 1) << "only a newly open port lists the processes";
    const auto events = all();
    std::string summary; // the openings in listing order, then the closings; nothing for 3000 or 9090
    for (const auto& e : events)
        summary.append(std::to_string(e.port)).append(e.ending ? rawValue(*e.ending) : "") += ' ';
    ASSERT_EQ(
        summary,
        "8080 8080 4001 4002 4003 4001killedByMoorix 4002unexpected 4003parentExited 8080parentExited ");
    const PortEvent opened{kAt + 1s, kOpened,     8080, 12,     "node", {"zsh"},
                           "dev",    "127.0.0.1", "/w", "shop", served, {}};
    const PortEvent closed{kAt + 3s, kClosed,     8080, 12,     "node", {"zsh"},
                           "dev",    "127.0.0.1", "/w", "shop", {},     Ending::ParentExited};
    EXPECT_EQ(events[1], opened);
    EXPECT_EQ(events[8], closed) << "the last process seen opening a port is the one that closed it";
}

TEST(Insights, OrphansStaleAndCrashes) {
    std::vector<PortEntry> entries;
    for (const auto& [port, pid, command, user] : {std::tuple{80, 1, "node", "dev"},
                                                   {3000, 2, "node", "root"},
                                                   {3001, 3, "launchd", "dev"},
                                                   {3002, 4, "node", "dev"},
                                                   {3003, 5, "node", "dev"},
                                                   {3004, 6, "node", "dev"}})
        entries.push_back({port, "127.0.0.1", pid, command, user, {}, 1, "/w", "w"});
    const auto ppidOf = [](std::int32_t pid) {
        return pid == 4 ? std::optional<std::int32_t>{} : pid == 6 ? 7 : 1;
    };
    EXPECT_EQ(Insights::orphans(entries, ppidOf), std::vector{entries[4]});

    const std::vector<PortEvent> history{
        event(kAt - 3 * 86400s, 3002, 4),
        event(kAt - 2h, 3002, 4),     // reopened lately: not stale
        event(kAt - 86400s, 3003, 5), // exactly the threshold: not stale
        event(kAt - 86401s, 3004, 6),
        event(kAt - 3 * 86400s, 3004, 6),          // the latest is one second past
        event(kAt - 5 * 86400s, 3000, 99),         // another process
        event(kAt - 5 * 86400s, 3001, 3, kClosed), // closings do not count
    };
    EXPECT_EQ(Insights::stale(entries, HistoryView(history), kAt, Insights::staleThresholdDefault),
              (std::vector<Insights::Stale>{{entries[5], kAt - 86401s}}));

    const std::vector<PortEvent> closings{event(kAt, 5173, 1, kClosed, Ending::ParentExited),
                                          event(kAt, 443, 2, kClosed, Ending::Unexpected),
                                          event(kAt, 5173, 3, kClosed, Ending::Unexpected),
                                          event(kAt, 5174, 4, kClosed, Ending::Unexpected),
                                          event(kAt, 5175, 5, kClosed, Ending::KilledByMoorix),
                                          event(kAt, 5176, 6, kOpened, Ending::Unexpected)};
    EXPECT_EQ(Insights::crashes(HistoryView(closings), [](std::int32_t pid) { return pid != 4; }),
              std::vector{closings[2]});
}

} // namespace moorix
