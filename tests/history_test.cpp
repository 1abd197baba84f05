#include "core/history.h"
#include "core/platform/platform.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <thread>

namespace moorix {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const Instant kT0 = std::chrono::sys_days{std::chrono::year{2026} / 12 / 5};

PortEvent event(int i, EventAction action = EventAction::opened) {
    PortEvent e{kT0 + std::chrono::seconds{i}, action, 3000 + i, 100 + i, "node", {"npm", "zsh"}, "dev", "127.0.0.1",
                "/home/dev/app" + std::to_string(i), "app", std::nullopt, std::nullopt};
    if (action == EventAction::opened) e.argv = std::vector<std::string>{"node", "server.js", std::to_string(i)};
    else e.ending = Ending::unexpected;
    return e;
}

std::string line(int i) { return *encodeEventLine(event(i)) + "\n"; }

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::vector<int> ports(const std::vector<PortEvent>& events) {
    std::vector<int> found;
    for (const auto& e : events) found.push_back(static_cast<int>(e.port - 3000));
    return found;
}

// What a store that has never read the file sees: the reference for every cached read.
std::vector<PortEvent> freshRead(const std::string& path) { return History(path).events(Instant::min()); }

class HistoryFile : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string path = dir.file("history.jsonl");
    History history{path};
};

} // namespace

TEST_F(HistoryFile, FirstAppendCreatesAPrivateFileWithOneLine) {
    history.append(event(1));
    EXPECT_EQ(readFile(path), line(1));
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    history.append(event(2, EventAction::closed));
    EXPECT_EQ(readFile(path), line(1) + *encodeEventLine(event(2, EventAction::closed)) + "\n");
    EXPECT_EQ(history.events(Instant::min()), (std::vector<PortEvent>{event(1), event(2, EventAction::closed)}));
}

TEST_F(HistoryFile, UnwritableEventIsDropped) {
    PortEvent bad = event(1);
    bad.user = "\xC3";
    history.append(bad);
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(HistoryFile, SinceIsInclusiveAndKeepsFileOrder) {
    for (int i : {5, 1, 9, 3}) history.append(event(i));
    EXPECT_EQ(ports(history.events(kT0 + 3s)), (std::vector<int>{5, 9, 3}));
    EXPECT_EQ(ports(history.events(kT0 + 9s)), (std::vector<int>{9}));
    EXPECT_TRUE(history.events(kT0 + 10s).empty());
}

TEST_F(HistoryFile, DamagedContentLosesOnlyTheDamagedLines) {
    std::string unknownEnding = *encodeEventLine(event(3, EventAction::closed));
    unknownEnding.replace(unknownEnding.find("unexpected"), 10, "crashed");
    std::string fractional = line(4);
    fractional.replace(fractional.find("Z\""), 1, ".5Z");
    const std::string cut = line(5).substr(0, 40) + "\n";
    const std::string last = line(6);
    writeFile(path, "\n\n" + line(1) + "\n" + line(2) + unknownEnding + "\n" + fractional + cut + "\xFF\xFE\x00\x01\n" +
                        "not json at all\n" + last.substr(0, last.size() - 1));
    EXPECT_EQ(ports(history.events(Instant::min())), (std::vector<int>{1, 2, 6})) << "no final line feed needed";

    writeFile(path, line(1) + last.substr(0, last.size() / 2));
    EXPECT_EQ(ports(history.events(Instant::min())), (std::vector<int>{1})) << "a line still being written";
    history.append(event(7));
    EXPECT_EQ(ports(history.events(Instant::min())), (std::vector<int>{1})) << "glued to the cut line, lost with it";
    EXPECT_EQ(history.events(Instant::min()), freshRead(path));
}

TEST_F(HistoryFile, MissingEmptyOrForeignFilesReadAsEmpty) {
    EXPECT_TRUE(history.events(Instant::min()).empty());
    writeFile(path, "");
    EXPECT_TRUE(history.events(Instant::min()).empty());
    writeFile(path, std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    EXPECT_TRUE(history.events(Instant::min()).empty());
    writeFile(path, "[1,2,3]\n{\"at\":1}\n");
    EXPECT_TRUE(history.events(Instant::min()).empty());
}

TEST_F(HistoryFile, DirectoryOrFifoInPlaceOfTheFileIsLeftAlone) {
    fs::create_directory(path);
    history.append(event(1));
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_TRUE(fs::is_empty(path));
    EXPECT_TRUE(history.events(Instant::min()).empty());
    history.rotate(3600s, kT0);
    EXPECT_TRUE(fs::is_directory(path));
    fs::remove(path);

    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    history.append(event(1)); // must not block without a reader
    EXPECT_TRUE(history.events(Instant::min()).empty()) << "must not block without a writer";
    history.rotate(3600s, kT0);
    EXPECT_TRUE(fs::is_fifo(path));
}

TEST_F(HistoryFile, ReadOnlyFileIsNeverReplaced) {
    history.append(event(1));
    ASSERT_EQ(::chmod(path.c_str(), 0400), 0);
    if (::access(path.c_str(), W_OK) == 0) GTEST_SKIP() << "running as root: permissions do not stop writes";
    history.append(event(2));
    EXPECT_EQ(readFile(path), line(1));
    EXPECT_EQ(ports(history.events(Instant::min())), (std::vector<int>{1}));
}

TEST_F(HistoryFile, FolderRemovedAfterStartDropsAppendsWithoutRecreatingIt) {
    const std::string folder = dir.file("Moorix");
    fs::create_directory(folder);
    History inFolder(folder + "/history.jsonl");
    inFolder.append(event(1));
    fs::remove_all(folder);
    inFolder.append(event(2));
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(inFolder.events(Instant::min()).empty());
}

TEST_F(HistoryFile, RotateKeepsTheLastHourAndCanEmptyTheFile) {
    for (int i : {0, 1, 2}) history.append(event(i * 1800));
    history.rotate(3600s, kT0 + 5400s);
    EXPECT_EQ(ports(freshRead(path)), (std::vector<int>{1800, 3600}));
    EXPECT_EQ(ports(history.events(Instant::min())), (std::vector<int>{1800, 3600}));
    history.append(event(4000));
    EXPECT_EQ(ports(history.events(Instant::min())), (std::vector<int>{1800, 3600, 4000}));
    history.rotate(3600s, kT0 + 100000s);
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(fs::file_size(path), 0u);
    EXPECT_TRUE(history.events(Instant::min()).empty());
}

TEST_F(HistoryFile, RotateLosesNoAppendFromOtherThreads) {
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 200; ++i) history.append(event(100000 + i));
        done = true;
    });
    int rotations = 0;
    for (; !done; ++rotations) {
        history.rotate(3600s, kT0 + 100000s);
        std::this_thread::sleep_for(1ms); // lets the writer in between rewrites
    }
    writer.join();
    EXPECT_EQ(history.events(Instant::min()).size(), 200u) << "after " << rotations << " rotations";
}

TEST(HistoryDefault, LivesInTheDataFolderOfTheEnvironment) {
    const std::string expected = std::string(std::getenv("XDG_DATA_HOME")) + "/Moorix";
    EXPECT_EQ(platform::appDataDir(), expected);
    EXPECT_EQ(History::defaultPath(), expected + "/history.jsonl");
    EXPECT_TRUE(fs::is_directory(expected));
    EXPECT_EQ(&History::shared(), &History::shared());
    EXPECT_EQ(History::shared().path(), History::defaultPath());

    const std::string saved = std::getenv("XDG_DATA_HOME");
    ::setenv("XDG_DATA_HOME", "relative/path", 1);
    EXPECT_EQ(platform::appDataDir(), std::string(std::getenv("HOME")) + "/.local/share/Moorix");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(platform::appDataDir(), std::string(std::getenv("HOME")) + "/.local/share/Moorix");
    ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
}

// The store remembers what it decoded; whatever happens to the file, it must read what a fresh store reads.
TEST_F(HistoryFile, RememberedEventsMatchAFreshReadAfterEveryKindOfChange) {
    auto check = [&](const char* what) {
        ASSERT_EQ(history.events(Instant::min()), freshRead(path)) << what;
        ASSERT_EQ(ports(history.events(kT0 + 2s)), ports(History(path).events(kT0 + 2s))) << what;
    };
    for (int i = 0; i < 4; ++i) history.append(event(i));
    check("own appends");
    History other(path);
    other.append(event(10));
    check("another store's append");

    writeFile(path, line(20) + line(21));
    check("truncated and rewritten shorter");
    writeFile(path, line(30) + line(31) + line(32) + line(33) + line(34));
    check("truncated and rewritten longer");

    {
        std::string same = readFile(path);
        same.replace(same.find("app30"), 5, "app99");
        const int fd = ::open(path.c_str(), O_WRONLY);
        ASSERT_EQ(::pwrite(fd, same.data(), same.size(), 0), static_cast<ssize_t>(same.size()));
        ::close(fd);
    }
    check("rewritten in place to the same size");

    {
        struct stat before {};
        ::stat(path.c_str(), &before);
        std::string same = readFile(path);
        same.replace(same.rfind("app34"), 5, "app77");
        const int fd = ::open(path.c_str(), O_WRONLY);
        ASSERT_EQ(::pwrite(fd, same.data(), same.size(), 0), static_cast<ssize_t>(same.size()));
        const timespec times[2] = {before.st_atim, before.st_mtim};
        ::futimens(fd, times);
        ::close(fd);
    }
    check("same size, modification time put back");

    const std::string replacement = dir.file("replacement");
    writeFile(replacement, line(40) + line(41) + line(42) + line(43) + line(44) + line(45));
    fs::rename(replacement, path);
    check("replaced by rename");

    other.rotate(3600s, kT0 + 3600s + 43s);
    check("rotated by another store");

    fs::remove(path);
    check("removed");
    writeFile(path, line(50));
    check("created again");

    const std::string tail = line(51);
    writeFile(path, line(50) + tail.substr(0, 30));
    check("partial last line");
    writeFile(path, line(50) + tail);
    check("partial last line completed");
    writeFile(path, line(50) + tail.substr(0, tail.size() - 1));
    check("last line without its line feed");
}

TEST_F(HistoryFile, RandomChangesAlwaysReadAsAFreshStoreReads) {
    std::mt19937 random(20261205);
    std::string content;
    int next = 0;
    for (int step = 0; step < 300; ++step) {
        const auto choice = random() % 10;
        if (choice < 5) {
            history.append(event(next++));
            content = readFile(path);
        } else if (choice == 5) {
            content.resize(random() % (content.size() + 1)); // cut anywhere, mid-line too
            writeFile(path, content);
        } else if (choice == 6) {
            content += "garbage" + std::to_string(step) + (random() % 2 ? "\n" : "");
            writeFile(path, content);
        } else if (choice == 7) {
            if (!content.empty()) content[random() % content.size()] = static_cast<char>('a' + random() % 26);
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT, 0600);
            ASSERT_EQ(::pwrite(fd, content.data(), content.size(), 0), static_cast<ssize_t>(content.size()));
            ::close(fd);
        } else if (choice == 8) {
            History(path).rotate(std::chrono::seconds{random() % 50}, kT0 + std::chrono::seconds{next});
            content = readFile(path);
        } else {
            const std::string moved = dir.file("moved");
            writeFile(moved, content + line(next++));
            fs::rename(moved, path);
            content = readFile(path);
        }
        ASSERT_EQ(history.events(Instant::min()), freshRead(path)) << "step " << step << " choice " << choice;
    }
}

TEST_F(HistoryFile, ConcurrentAppendsAndReadsLoseAndTearNothing) {
    constexpr int kThreads = 4, kEach = 150;
    // Another process reads the file while it grows: every complete line it sees must be whole JSON.
    test::Child reader({test::pythonBinary(), "-c", R"(
import json, sys, time
path, total = sys.argv[1], int(sys.argv[2])
bad = seen = 0
deadline = time.time() + 60
while seen < total and time.time() < deadline:
    try:
        data = open(path, 'rb').read()
    except FileNotFoundError:
        continue
    lines = data.split(b'\n')[:-1]
    seen = len(lines)
    for raw in lines:
        try:
            json.loads(raw)
        except ValueError:
            bad += 1
print(seen, bad, flush=True)
)",
                        path, std::to_string(kThreads * kEach)});
    std::atomic<int> running{kThreads};
    std::atomic<bool> shrank{false};
    std::thread readerThread([&] {
        std::size_t last = 0;
        while (running > 0) {
            const auto events = history.events(Instant::min());
            if (events.size() < last) shrank = true;
            last = events.size();
        }
    });
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t)
        writers.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) history.append(event(t * 1000 + i));
            --running;
        });
    for (auto& writer : writers) writer.join();
    readerThread.join();

    EXPECT_FALSE(shrank);
    const auto events = history.events(Instant::min());
    ASSERT_EQ(events.size(), static_cast<std::size_t>(kThreads * kEach));
    EXPECT_EQ(events, freshRead(path));
    std::set<int> distinct;
    for (const auto& e : events) distinct.insert(static_cast<int>(e.port));
    EXPECT_EQ(distinct.size(), events.size());
    EXPECT_EQ(reader.readLine(70), std::to_string(kThreads * kEach) + " 0");
}

} // namespace moorix
