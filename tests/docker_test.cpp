#include "app/services/docker.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace moorix {

namespace fs = std::filesystem;
using Docker::PortMap;

TEST(DockerParse, PublishedPortsMapToTheirContainer) {
    EXPECT_EQ(Docker::parseContainerPorts("web\t0.0.0.0:3000->3000/tcp, [::]:3000->3000/tcp\n"),
              (PortMap{{3000, "web"}}));
    EXPECT_EQ(Docker::parseContainerPorts("db\t5432/tcp\n"), PortMap{});
    EXPECT_EQ(Docker::parseContainerPorts("db\t\n"), PortMap{});
    EXPECT_EQ(Docker::parseContainerPorts("api\t0.0.0.0:8000-8001->8000-8001/tcp\n"), PortMap{});
    EXPECT_EQ(
        Docker::parseContainerPorts("pg\t:::5432->5432/tcp,0.0.0.0:5432->5432/tcp\n"
                                    "cache\t127.0.0.1:6379->6379/tcp, 8080/tcp, 0.0.0.0:8081->80/tcp\n"),
        (PortMap{{5432, "pg"}, {6379, "cache"}, {8081, "cache"}}));
}

TEST(DockerParse, AwkwardColumnsAndLinesAreReadOrSkippedOneByOne) {
    const std::string output =
        "\n"
        "\t\tlead\t0.0.0.0:1000->1/tcp\n"      // leading tabs skipped
        "my app\t0.0.0.0:2000->2/tcp\textra\n" // name with a blank; later tabs stay in ports
        "noports\n"                            // no tab at all
        "\t\t\n"
        "odd\t0.0.0.0:->3/tcp,host:abc->4/tcp,3005->5/tcp, ,,[::1]:3006->6/udp\n"
        "first\t0.0.0.0:4000->4000/tcp\n"
        "second\t0.0.0.0:4000->4001/tcp\n" // the later container wins
        "big\t0.0.0.0:99999999999999999999->1/tcp\n"
        "crlf\t0.0.0.0:5000->5000/tcp\r\n";
    EXPECT_EQ(Docker::parseContainerPorts(output),
              (PortMap{{1000, "lead"}, {2000, "my app"}, {3006, "odd"}, {4000, "second"}, {5000, "crlf"}}));
    EXPECT_EQ(Docker::parseContainerPorts(""), PortMap{});
    EXPECT_EQ(Docker::parseContainerPorts("\xff\xfe garbage \x01\n->:->"), PortMap{});
}

TEST(DockerFetch, WithoutAClientNothingIsStarted) {
    int runs = 0;
    const PortCore::ToolRunner counting = [&](const std::string&, const std::vector<std::string>&, double) {
        ++runs;
        return std::string("web\t0.0.0.0:1->1/tcp\n");
    };
    EXPECT_EQ(Docker::fetchContainerPorts(std::nullopt, counting), PortMap{});
    EXPECT_EQ(runs, 0);
}

TEST(DockerFetch, RunsTheClientWithTheFormatAsOneArgumentAndATwoSecondLimit) {
    std::string path;
    std::vector<std::string> args;
    double limit = 0;
    const PortCore::ToolRunner recording = [&](const std::string& p, const std::vector<std::string>& a,
                                               double t) {
        path = p;
        args = a;
        limit = t;
        return std::string("db\t0.0.0.0:5432->5432/tcp\n");
    };
    EXPECT_EQ(Docker::fetchContainerPorts("/opt/x/docker", recording), (PortMap{{5432, "db"}}));
    EXPECT_EQ(path, "/opt/x/docker");
    EXPECT_EQ(args, (std::vector<std::string>{"ps", "--format", "{{.Names}}\t{{.Ports}}"}));
    EXPECT_EQ(limit, 2.0);
}

TEST(DockerCache, RunsTheClientAtMostOnceEveryThirtySecondsOfTheClock) {
    double now = 1000;
    int fetches = 0;
    PortMap next{};
    Docker::ContainerPortCache cache(
        [&] {
            ++fetches;
            return next;
        },
        [&] { return now; });

    EXPECT_EQ(cache.get(), PortMap{});
    next = {{3000, "web"}};
    now += 29.9;
    EXPECT_EQ(cache.get(), PortMap{}) << "an empty map is cached like any other";
    EXPECT_EQ(fetches, 1);
    now += 0.1;
    EXPECT_EQ(cache.get(), (PortMap{{3000, "web"}}));
    EXPECT_EQ(fetches, 2);
    now += 5;
    EXPECT_EQ(cache.get(), (PortMap{{3000, "web"}}));
    EXPECT_EQ(fetches, 2);
    now -= 100;
    cache.get();
    EXPECT_EQ(fetches, 3) << "a clock that went back does not keep the map for ever";
}

class DockerTrustTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::getuid() != 0) GTEST_SKIP() << "changing owners needs root";
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody || nobody->pw_uid == 0) GTEST_SKIP() << "no unprivileged user nobody";
        m_nobody = nobody->pw_uid;
    }
    std::string client(const std::string& name) {
        const std::string path = m_dir.file(name);
        std::ofstream(path) << "#!/bin/sh\necho web\n";
        ::chmod(path.c_str(), 0755);
        return path;
    }
    std::string folder(const std::string& name, uid_t owner) {
        const std::string path = m_dir.file(name);
        fs::create_directory(path);
        EXPECT_EQ(::chown(path.c_str(), owner, owner), 0);
        return path;
    }
    std::string link(const std::string& name, const std::string& target) {
        const std::string path = m_dir.file(name);
        fs::create_symlink(target, path);
        return path;
    }

    test::TempDir m_dir;
    uid_t m_nobody = 0;
};

TEST_F(DockerTrustTest, OwnersOtherThanRootAndTheUserAreNotTrusted) {
    EXPECT_TRUE(Docker::isTrustedOwner(0));
    EXPECT_TRUE(Docker::isTrustedOwner(::getuid()));
    EXPECT_FALSE(Docker::isTrustedOwner(m_nobody));
    const std::string mine = client("mine");
    const std::string theirs = client("theirs");
    ASSERT_EQ(::chown(theirs.c_str(), m_nobody, m_nobody), 0);
    EXPECT_TRUE(Docker::trusted(mine));
    EXPECT_FALSE(Docker::trusted(theirs));
    EXPECT_FALSE(Docker::trusted(m_dir.file("absent")));
    EXPECT_FALSE(Docker::trusted("relative/docker"));
    EXPECT_EQ(Docker::locateClient({theirs, m_dir.file("absent"), mine}), mine);
}

TEST_F(DockerTrustTest, LinkIntoAnotherUsersFolderIsPassedOverForTheNextCandidate) {
    const std::string foreign = folder("foreign", m_nobody);
    std::ofstream(foreign + "/docker") << "#!/bin/sh\n";
    ::chmod((foreign + "/docker").c_str(), 0755);
    ASSERT_EQ(::chown((foreign + "/docker").c_str(), m_nobody, m_nobody), 0);
    const std::string viaLink = link("docker-link", foreign + "/docker");
    const std::string good = client("docker");
    EXPECT_TRUE(Docker::trusted(viaLink)) << "the link itself is ours";
    EXPECT_EQ(Docker::locateClient({viaLink, good}), good);
    EXPECT_EQ(Docker::locateClient({viaLink}), std::nullopt);
}

TEST_F(DockerTrustTest, RootOwnedFileInAFolderAnotherUserCanRewriteIsNotTrusted) {
    const std::string foreign = folder("swappable", m_nobody);
    std::ofstream(foreign + "/docker") << "#!/bin/sh\n";
    ::chmod((foreign + "/docker").c_str(), 0755);
    EXPECT_FALSE(Docker::trusted(foreign + "/docker"));
    EXPECT_EQ(Docker::locateClient({link("to-swappable", foreign + "/docker")}), std::nullopt);
}

TEST_F(DockerTrustTest, LinkOwnedByAnotherUserOrNotExecutableIsPassedOver) {
    const std::string good = client("docker");
    const std::string theirLink = link("their-link", good);
    ASSERT_EQ(::lchown(theirLink.c_str(), m_nobody, m_nobody), 0);
    const std::string plain = m_dir.file("plain");
    std::ofstream(plain) << "not a program";
    const std::string dir = folder("a-dir", 0);
    EXPECT_EQ(Docker::locateClient({theirLink, plain, dir, link("dangling", m_dir.file("gone"))}),
              std::nullopt);
    EXPECT_EQ(Docker::locateClient({link("our-link", good)}), m_dir.file("our-link")) << "kept as written";
}

} // namespace moorix
