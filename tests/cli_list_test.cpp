#include "app/cli/command_line.h"
#include "core/platform/platform.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

namespace moorix {

using test::Child;
using test::runMoorix;
using test::supportScript;

namespace {

nlohmann::json listing() {
    const auto result = runMoorix({"--list"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.back(), '\n');
    EXPECT_EQ(result.out.find('\n'), result.out.size() - 1) << "one line";
    return nlohmann::json::parse(result.out);
}

std::vector<nlohmann::json> entriesOnPort(const nlohmann::json& list, std::int64_t port) {
    std::vector<nlohmann::json> found;
    for (const auto& entry : list)
        if (entry.at("port") == port) found.push_back(entry);
    return found;
}

std::int64_t portOf(Child& child) {
    const std::string line = child.readLine();
    if (line.empty()) throw std::runtime_error("listener did not start");
    return std::stoll(line);
}

std::vector<std::string> listener(std::vector<std::string> extra = {}) {
    std::vector<std::string> argv{test::pythonBinary(), supportScript("listener.py")};
    argv.insert(argv.end(), extra.begin(), extra.end());
    return argv;
}

} // namespace

TEST(ListMode, DevServerUnderNpmIsListedFieldByField) {
    test::TempDir dir;
    const std::string project = dir.file("my shop");
    std::filesystem::create_directory(project);
    dir.write("my shop/package.json", R"({"name":"shop-frontend"})");
    Child server({test::pythonNamed(dir, "npm"), supportScript("spawn_child.py"), test::pythonNamed(dir, "node"),
                  supportScript("listener.py")},
                 {.cwd = project});
    const std::int64_t port = portOf(server);

    const auto raw = runMoorix({"--list"}).out;
    const auto found = entriesOnPort(nlohmann::json::parse(raw), port);
    ASSERT_EQ(found.size(), 1u);
    const auto& entry = found[0];
    std::vector<std::string> keys;
    for (const auto& [key, value] : entry.items()) keys.push_back(key);
    // nlohmann sorts keys on parse; the order on the wire is checked on the raw text below.
    EXPECT_EQ(keys.size(), 9u);
    EXPECT_EQ(entry.at("address"), "127.0.0.1");
    EXPECT_EQ(entry.at("command"), "node");
    EXPECT_EQ(entry.at("user"), platform::loginName());
    EXPECT_EQ(entry.at("parentChain").at(0), "npm");
    EXPECT_NE(entry.at("pid"), server.pid()) << "the listener is npm's child, not npm";
    EXPECT_EQ(entry.at("cwd"), project);
    EXPECT_EQ(entry.at("project"), "shop-frontend");

    const std::string head = "{\"port\":" + std::to_string(port) + ",\"address\":\"127.0.0.1\",\"pid\":";
    const auto at = raw.find(head);
    ASSERT_NE(at, std::string::npos);
    const auto end = raw.find('}', at);
    const std::string object = raw.substr(at, end - at + 1);
    for (const char* key : {"\"command\":\"node\"", "\"parentChain\":[\"npm\"", "\"rootPid\":", "\"cwd\":\"\\/"})
        EXPECT_NE(object.find(key), std::string::npos) << key << " in " << object;
    EXPECT_LT(object.find("\"user\""), object.find("\"parentChain\""));
    EXPECT_LT(object.find("\"rootPid\""), object.find("\"cwd\""));
    EXPECT_LT(object.find("\"cwd\""), object.find("\"project\""));
    for (std::size_t slash = raw.find('/'); slash != std::string::npos; slash = raw.find('/', slash + 1))
        ASSERT_EQ(raw[slash - 1], '\\') << "every slash is escaped";
}

TEST(ListMode, SameProcessOnIpv4AndIpv6GivesOneEntry) {
    Child server(listener({"--host", "127.0.0.1", "--host", "::1"}));
    const std::string line = server.readLine();
    if (line.empty()) GTEST_SKIP() << "no IPv6 loopback on this machine";
    const auto found = entriesOnPort(listing(), std::stoll(line));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].at("pid"), server.pid());
}

TEST(ListMode, TwoProcessesSharingAPortAreListedInPidOrder) {
    Child first(listener({"--reuseport"}));
    const std::int64_t port = portOf(first);
    Child second(listener({"--reuseport", "--port", std::to_string(port)}));
    ASSERT_EQ(portOf(second), port);
    const auto found = entriesOnPort(listing(), port);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].at("pid"), std::min(first.pid(), second.pid()));
    EXPECT_EQ(found[1].at("pid"), std::max(first.pid(), second.pid()));
}

TEST(ListMode, ServerInRootFolderHasNoFolderKeys) {
    Child server(listener(), {.cwd = "/"});
    const auto found = entriesOnPort(listing(), portOf(server));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_FALSE(found[0].contains("cwd"));
    EXPECT_FALSE(found[0].contains("project"));
    EXPECT_EQ(found[0].size(), 7u);
}

TEST(ListMode, ListingComesBeforeKillAndKillsNothing) {
    Child server(listener());
    const std::int64_t port = portOf(server);
    const auto result = runMoorix({"--list", "--kill", std::to_string(port)});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.front(), '[');
    EXPECT_TRUE(server.alive());
}

TEST(OptionDispatch, InapplicableOrMisspelledOptionsStartTheApplication) {
    const std::vector<std::vector<std::string>> notModes{
        {"moorix"},
        {"moorix", "--List"},
        {"moorix", "-list"},
        {"moorix", "--list=1"},
    };
    for (const auto& args : notModes) EXPECT_FALSE(cli::runCommandLine(args).has_value()) << args.back();
}

} // namespace moorix
