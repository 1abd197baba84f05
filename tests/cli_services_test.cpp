#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace moorix {

using test::runMoorix;

namespace {

class FakeDocker : public ::testing::Test {
protected:
    // A client that records its arguments, one per line, then runs `body`.
    std::string client(const std::string& body) {
        const std::string path = m_dir.file("docker");
        std::ofstream(path) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '"
                            << m_dir.file("args") << "'\n"
                            << body << "\n";
        ::chmod(path.c_str(), 0755);
        return path;
    }
    test::RunResult docker(const std::string& client) {
        return runMoorix({"--docker"}, {{"MOORIX_TEST_DOCKER", client}});
    }
    std::string recordedArgs() {
        std::ifstream in(m_dir.file("args"));
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    test::TempDir m_dir;
};

} // namespace

TEST(TranslationMode, PrintsBothLanguagesEnglishFirst) {
    auto result = runMoorix({"--t", "quit"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "en: Quit Moorix\ntr: Moorix'ten Çık\n");
    result = runMoorix({"--t", "started_by", "--t", "cancel"});
    EXPECT_EQ(result.out, "en: %1$@ started by %2$@\ntr: %2$@ ile başlatılan %1$@\n");
}

TEST(TranslationMode, IgnoresTheChosenLanguageAndMarksMissingKeys) {
    const auto result = runMoorix({"--t", "no_such_key"}, {{"LANG", "tr_TR.UTF-8"}, {"LANGUAGE", "tr"}});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "en: MISSING\ntr: MISSING\n");
}

TEST(TranslationMode, ComesBeforeDockerAndTakesAnyFollowingArgumentAsTheKey) {
    EXPECT_EQ(runMoorix({"--docker", "--t", "stop"}).out, "en: Stop\ntr: Durdur\n");
    EXPECT_EQ(runMoorix({"--t", "--docker"}).out, "en: MISSING\ntr: MISSING\n");
    EXPECT_EQ(runMoorix({"--t", ""}).out, "en: MISSING\ntr: MISSING\n");
}

TEST(TranslationMode, MissingBundleOrLanguageFolderSaysNoBundle) {
    test::TempDir dir;
    auto result = runMoorix({"--t", "quit"}, {{"MOORIX_TEST_RESOURCES", dir.file("nowhere")}});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "en: NO BUNDLE\ntr: NO BUNDLE\n");

    std::filesystem::create_directories(dir.file("bundle/en.lproj"));
    dir.write("bundle/en.lproj/Localizable.strings",
              "\"quit\" = \"Leave\"\n\"stop\" = \"Halt\";\n\"x\" = \"y\";\n");
    result = runMoorix({"--t", "stop"}, {{"MOORIX_TEST_RESOURCES", dir.file("bundle")}});
    EXPECT_EQ(result.out, "en: Halt\ntr: NO BUNDLE\n") << "an entry after a syntax error still loads";
    result = runMoorix({"--t", "quit"}, {{"MOORIX_TEST_RESOURCES", dir.file("bundle")}});
    EXPECT_EQ(result.out, "en: MISSING\ntr: NO BUNDLE\n");
}

TEST_F(FakeDocker, PrintsPublishedPortsSortedByPort) {
    const auto result = docker(client("printf 'web\\t0.0.0.0:8080->80/tcp, [::]:8080->80/tcp\\n"
                                      "db\\t5432/tcp\\n"
                                      "pg\\t127.0.0.1:5432->5432/tcp\\n"
                                      "vite\\t0.0.0.0:3000->3000/tcp\\n'"));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "3000 -> vite\n5432 -> pg\n8080 -> web\n");
    EXPECT_EQ(recordedArgs(), "ps\n--format\n{{.Names}}\t{{.Ports}}\n");
}

TEST_F(FakeDocker, SilentFailingOrGarbledClientPrintsNothing) {
    for (const char* body : {"true", "exit 3", "printf 'no tabs here\\n\\t\\t\\nname\\tports\\n:::->\\n'",
                             "printf '\\377\\376\\tx:1->1\\n'"}) {
        const auto result = docker(client(body));
        EXPECT_EQ(result.status, 0) << body;
        EXPECT_EQ(result.out, "") << body;
    }
}

TEST_F(FakeDocker, HungClientIsCutOffByItsTwoSecondLimit) {
    const auto timed = [&](const std::string& body) {
        const auto start = std::chrono::steady_clock::now();
        const auto result = docker(client(body));
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(result.status, 0);
        EXPECT_GE(seconds, 1.5) << body;
        EXPECT_LT(seconds, 10) << body;
        return result.out;
    };
    EXPECT_EQ(timed("exec sleep 60"), "");
    // What it wrote before the limit still counts once it ends on the termination signal.
    EXPECT_EQ(timed("printf 'web\\t0.0.0.0:3000->3000/tcp\\n'; exec sleep 60"), "3000 -> web\n");
}

TEST_F(FakeDocker, ClientOwnedByAnotherUserIsNeverRun) {
    const passwd* nobody = ::getpwnam("nobody");
    if (::getuid() != 0 || !nobody) GTEST_SKIP() << "changing owners needs root and the user nobody";
    const std::string path = client("printf 'web\\t0.0.0.0:3000->3000/tcp\\n'");
    ASSERT_EQ(::chown(path.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    const auto result = docker(path);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("args")));
}

} // namespace moorix
