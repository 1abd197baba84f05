#include "app/cli/command_line.h"
#include "app/cli/desktop_program.h"
#include "core/platform/platform.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <filesystem>
#include <regex>

namespace moorix {

// One line of JSON: a development server under npm with its project byte for byte, and processes that share a
// port each with their entry, in pid order.
TEST(ListMode, OneLineWithADevServerByteForByteAndAnEntryPerProcessAndPortInPidOrder) {
    test::TempDir dir;
    dir.write("my shop/package.json", R"({"name":"shop-frontend"})");
    const std::string project = dir.file("my shop");
    test::Child server({test::pythonNamed(dir, "npm"), test::supportScript("spawn_child.py"),
                        test::pythonNamed(dir, "node"), test::supportScript("listener.py")},
                       {.cwd = project});
    const std::int64_t port = test::listeningPort(server);
    test::Child first(test::listener({"--reuseport"}));
    const std::int64_t shared = test::listeningPort(first);
    test::Child second(test::listener({"--reuseport", "--port", std::to_string(shared)}));
    ASSERT_EQ(test::listeningPort(second), shared);

    const auto [raw, status] = test::runMoorix({"--list"});
    EXPECT_EQ(status, 0);
    EXPECT_EQ(raw.find('\n'), raw.size() - 1) << "one line";
    const std::string head = "{\"port\":" + std::to_string(port) + ",\"address\":\"127.0.0.1\",\"pid\":";
    const auto at = raw.find(head);
    ASSERT_NE(at, std::string::npos) << raw;
    const std::string object = raw.substr(at, raw.find('}', at) - at + 1);
    EXPECT_NE(nlohmann::json::parse(object).at("pid"), server.pid()) << "the listener is npm's child";
    const std::string escapedCwd = std::regex_replace(project, std::regex("/"), "\\/");
    const std::string tail =
        ",\"command\":\"node\",\"user\":\"" + platform::loginName() + "\",\"parentChain\":[\"npm\",";
    EXPECT_NE(object.find(tail), std::string::npos) << object;
    EXPECT_TRUE(object.ends_with(",\"cwd\":\"" + escapedCwd + "\",\"project\":\"shop-frontend\"}")) << object;
    std::vector<std::int32_t> pids;
    for (const auto& entry : nlohmann::json::parse(raw))
        if (entry.at("port") == shared) pids.push_back(entry.at("pid"));
    EXPECT_EQ(pids, (std::vector{std::min(first.pid(), second.pid()), std::max(first.pid(), second.pid())}));
}

// The kernel's interfaces count as unavailable here, as when netlink is refused, so lsof must answer.
TEST(ListMode, ASocketListingThatFailsIsSaidSoWithStatusOne) {
    test::TempDir dir;
    // lsof as a script with `body`, or absent without one. Its status 1 alone: none listens, and a stop finds
    // nothing to do; a stop that could not look fails.
    using Case = std::tuple<const char*, const char*, int>;
    for (const auto& [name, body, status] :
         {Case{"killed", "echo p1; kill -9 $$", 1}, Case{"table", "echo COMMAND", 1}, Case{"absent", "", 1},
          Case{"nothing", "exit 1", 0}}) {
        SCOPED_TRACE(name);
        if (*body) test::script(dir.file(name), dir.file("args"), body);
        const std::map<std::string, std::string> env{{"MOORIX_TEST_LSOF", dir.file(name)},
                                                     {"MOORIX_TEST_TOOLS_ONLY", "1"}};
        const auto listed = test::runMoorix({"--list"}, env);
        EXPECT_EQ(listed.out + std::to_string(listed.status), "[]\n" + std::to_string(status));
        EXPECT_EQ(test::runMoorix({"--kill", "3000"}, env).status, status);
    }
}

// An installed copy finds its desktop program beside itself or in ../lib/moorix, and never in the build tree
// it was made in; an unreadable folder on the way is a place without a program, not a crash.
TEST(InstalledCopy, LooksForItsDesktopProgramOnlyBesideItself) {
    namespace fs = std::filesystem;
    test::TempDir dir;
    fs::permissions(dir.path(), fs::perms(0755));
    fs::create_directory(dir.file("bin"));
    const std::string copy = dir.file("bin/moorix");
    fs::copy_file(MOORIX_BINARY, copy);
    EXPECT_EQ(test::runCommand({copy, "--t", "quit"}).status, 1) << "the build tree's program is not its own";

    fs::create_directories(dir.file("lib/moorix"));
    fs::permissions(dir.file("lib"), fs::perms::none);
    // Root searches any folder, so the unsearchable folder is tried as another user.
    std::vector<std::string> argv{copy, "--t", "quit"};
    if (::getuid() == 0) argv.insert(argv.begin(), {"/usr/sbin/runuser", "-u", "nobody", "--"});
    EXPECT_EQ(test::runCommand(argv).status, 1);
    fs::permissions(dir.file("lib"), fs::perms::owner_all);

    const fs::path program = MOORIX_DESKTOP_PROGRAM_FILE;
    fs::copy_file(program, dir.file("bin") / program.filename());
    EXPECT_EQ(test::runCommand({copy, "--t", "quit"}).out, "en: NO BUNDLE\ntr: NO BUNDLE\n") << "no texts";

    EXPECT_TRUE(cli::programCandidates("").empty()) << "an unknown own path: not the current folder";
    EXPECT_EQ(cli::programCandidates(MOORIX_BINARY).back(), program) << "inside its build tree";
}

// --help and --version answer before every other option, --list before the rest; a misspelling is no option.
TEST(OptionDispatch, HelpVersionAndListComeFirstAndMisspellingsAreNotOptions) {
    EXPECT_EQ(test::runMoorix({"--version", "--list"}).out, "moorix " MOORIX_VERSION "\n");
    EXPECT_TRUE(test::runMoorix({"--list", "--help"}).out.starts_with("Moorix: "));
    test::Child server(test::listener());
    const std::int64_t port = test::listeningPort(server);
    EXPECT_EQ(test::runMoorix({"--list", "--kill", std::to_string(port)}).out.front(), '[');
    EXPECT_TRUE(server.alive());
    for (const char* notAnOption : {"--List", "-list", "--list=1"})
        EXPECT_FALSE(cli::runCommandLine({"moorix", notAnOption}).has_value()) << notAnOption;
}

} // namespace moorix
