#include "core/history/kill_log.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>
#include <utility>

namespace moorix {

using namespace std::chrono_literals;

TEST(KillLog, RecordsCountForAMinuteAcrossInstancesAndOldOnesAreRewrittenAway) {
    test::TempDir dir;
    const std::string path = dir.file("Moorix/killed.log");
    const auto now = std::chrono::system_clock::now();
    KillLog writer(path);
    KillLog reader(path); // another process's view of the same file
    EXPECT_FALSE(reader.contains(42, now)) << "no file yet";
    writer.note(42, now);
    // A record from the future is not trusted.
    for (const auto& [pid, at, found] : {std::tuple{42, now, true},
                                         {42, now + 59s, true},
                                         {42, now + 60s, false},
                                         {43, now, false},
                                         {42, now - 5s, false}})
        EXPECT_EQ(reader.contains(pid, at), found) << pid;

    for (int pid = 100; pid < 500; ++pid) writer.note(pid, now - 120s);
    std::ofstream(path, std::ios::app) << "garbage line\n7 x\n\n";
    writer.note(7, now + 60s);
    EXPECT_LT(std::filesystem::file_size(path), 100u);
    EXPECT_TRUE(reader.contains(7, now + 60s));
    EXPECT_FALSE(reader.contains(100, now + 60s));
}

// A stop noted by one process must be seen by every other at any moment, also while the log is rewritten.
TEST(KillLog, ReadersNeverMissARecordWhileTheLogIsRewritten) {
    test::TempDir dir;
    const std::string path = dir.file("killed.log");
    const auto now = std::chrono::system_clock::now();
    KillLog writer(path);
    writer.note(1, now);
    for (int pid = 100; pid < 400; ++pid) writer.note(pid, now); // past the size where each note rewrites
    std::atomic<bool> writing{true};
    std::thread notes([&] {
        for (int pid = 400; pid < 700; ++pid) writer.note(pid, now);
        writing = false;
    });
    const KillLog reader(path);
    int misses = 0;
    while (writing) misses += !reader.contains(1, now);
    notes.join();
    EXPECT_EQ(misses, 0);
    EXPECT_TRUE(reader.contains(699, now));
}

// Another writer may replace the file by rename each time this one waits for its lock, as a writer noting
// many stops past the rewrite size does; this one must still get its record into the file in place. The
// test is that other writer, and replaces the file each time the note has opened the one in place.
TEST(KillLog, AWriterThatKeepsFindingTheFileReplacedStillWritesItsRecord) {
    test::TempDir dir;
    const std::string path = dir.file("killed.log");
    const auto now = std::chrono::system_clock::now();
    const auto replace = [&] {
        const std::string fresh = dir.file("fresh");
        const int fd = ::open(fresh.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ::flock(fd, LOCK_EX);
        ::rename(fresh.c_str(), path.c_str());
        return fd;
    };
    // How many descriptors of this process, the test's own among them, are open on the file of `fd`.
    const auto openings = [](int fd) {
        const std::string mine = "/dev/fd/" + std::to_string(fd);
        return std::ranges::count_if(std::filesystem::directory_iterator("/dev/fd"), [&](const auto& entry) {
            std::error_code unreadable;
            return std::filesystem::equivalent(entry.path(), mine, unreadable);
        });
    };
    int held = replace();
    std::atomic<bool> noted{false};
    std::thread writer([&] {
        KillLog(path).note(42, now);
        noted = true;
    });
    int rounds = 0;
    for (; rounds < 150; ++rounds) {
        if (!test::waitUntil([&] { return noted || openings(held) > 1; }, 10) || noted) break;
        ::close(std::exchange(held, replace())); // the lock of a file no longer in place
    }
    ::close(held);
    writer.join();
    EXPECT_EQ(rounds, 150) << "the note waited through every replacement";
    EXPECT_TRUE(KillLog(path).contains(42, now));
}

} // namespace moorix
