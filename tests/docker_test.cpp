// Published container ports: the client's output, its cache, which client is trusted, and --docker.
#include "core/listing/docker.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

namespace moorix {

namespace fs = std::filesystem;
using Docker::PortMap;
using test::script;

namespace {

std::string dockerMode(const std::string& client) {
    const auto result = test::runMoorix({"--docker"}, {{"MOORIX_TEST_DOCKER", client}});
    EXPECT_EQ(result.status, 0);
    return result.out;
}

} // namespace

TEST(DockerParse, PublishedPortsMapToTheirContainerAndAwkwardLinesAreSkippedOneByOne) {
    std::string found;
    for (const auto& [port, name] : Docker::parseContainerPorts(
             "pg\t:::5432->5432/tcp,0.0.0.0:5432->5432/tcp\ndb\t5432/tcp\nnone\t\n"
             "cache\t127.0.0.1:6379->6379/tcp, 8080/tcp, 0.0.0.0:8081->80/tcp\n"
             "api\t0.0.0.0:8000-8001->8000-8001/tcp\n"
             "\n\t\tlead\t0.0.0.0:1000->1/tcp\nmy app\t0.0.0.0:2000->2/tcp\textra\nnoports\n\t\t\n"
             "odd\t0.0.0.0:->3/tcp,host:abc->4/tcp,3005->5/tcp, ,,[::1]:3006->6/udp\n"
             "first\t0.0.0.0:4000->4000/tcp\nsecond\t[::]:4000->4001/tcp\n"
             "big\t0.0.0.0:99999999999999999999->1/tcp\n"
             "crlf\t0.0.0.0:5000->5000/tcp\r\n\xff\xfe\x01->:->"))
        found += std::to_string(port) + " " + name + ",";
    EXPECT_EQ(found, "1000 lead,2000 my app,3006 odd,4000 second,5000 crlf,5432 pg,6379 cache,8081 cache,");
}

TEST(DockerCache, RunsTheClientAtMostOnceEveryThirtySecondsOfTheClock) {
    double now = 1000;
    int fetches = 0;
    const auto fetch = [&] { return ++fetches == 1 ? PortMap{} : PortMap{{fetches, "web"}}; };
    Docker::ContainerPortCache cache(fetch, [&] { return now; });
    for (const double step : {0.0, 29.9, 0.1, 29.9, -100.0}) {
        now += step;
        cache.get();
    }
    EXPECT_EQ(fetches, 3) << "at 0 and 30 s (an empty map is kept too), and once the clock went back";
    EXPECT_EQ(cache.get(), (PortMap{{3, "web"}}));
}

TEST(DockerTrust, FilesFoldersAndLinksOfAnotherOwnerAreNeverRun) {
    const passwd* nobody = ::getpwnam("nobody");
    if (::getuid() != 0 || !nobody || nobody->pw_uid == 0) GTEST_SKIP() << "needs root and nobody";
    test::TempDir dir;
    fs::create_directory(dir.file("foreign"));
    for (const char* name : {"mine", "theirs", "foreign/docker"}) script(dir.file(name), dir.file("args"));
    fs::create_symlink(dir.file("mine"), dir.file("their-link"));
    fs::create_symlink(dir.file("foreign/docker"), dir.file("to-foreign"));
    fs::create_symlink(dir.file("gone"), dir.file("dangling"));
    fs::create_symlink(dir.file("mine"), dir.file("our-link"));
    for (const char* name : {"theirs", "foreign", "their-link"})
        ASSERT_EQ(::lchown(dir.file(name).c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    dir.write("plain", "not a program");
    // Ours in a folder another user can rewrite is no more trusted than theirs.
    EXPECT_FALSE(Docker::trusted(dir.file("theirs")) || Docker::trusted(dir.file("foreign/docker")) ||
                 Docker::trusted("relative/docker"));
    std::vector<std::string> candidates{dir.path()};
    for (const char* name :
         {"theirs", "absent", "to-foreign", "their-link", "plain", "dangling", "our-link", "mine"})
        candidates.push_back(dir.file(name));
    EXPECT_EQ(Docker::locateClient(candidates), dir.file("our-link")) << "the first trusted one, as written";
    EXPECT_EQ(dockerMode(dir.file("theirs")), "");
    EXPECT_FALSE(fs::exists(dir.file("args"))) << "never started";
}

TEST(DockerMode, PrintsPublishedPortsSortedAndWhatAHungClientWroteBeforeItsTimeLimit) {
    test::TempDir dir;
    EXPECT_EQ(dockerMode(script(dir.file("docker"), dir.file("args"),
                                "printf 'web\\t0.0.0.0:8080->80/tcp, [::]:8080->80/tcp\\ndb\\t5432/tcp\\n"
                                "pg\\t127.0.0.1:5432->5432/tcp\\nvite\\t0.0.0.0:3000->3000/tcp\\n'")),
              "3000 -> vite\n5432 -> pg\n8080 -> web\n");
    EXPECT_EQ(test::readFile(dir.file("args")), "ps\n--format\n{{.Names}}\t{{.Ports}}\n");
    // Cut off by its two-second limit, what it wrote before still counts.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(dockerMode(script(dir.file("docker"), dir.file("args"),
                                "printf 'web\\t0.0.0.0:3000->3000/tcp\\n'; exec sleep 60")),
              "3000 -> web\n");
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(took.count() >= 1.5 && took.count() < 10) << took.count();
}

} // namespace moorix
