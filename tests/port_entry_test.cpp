#include "core/listing/port_entry.h"
#include "core/platform/platform.h"
#include "core/text/json_text.h"

#include <gtest/gtest.h>

namespace moorix {

namespace {

PortEntry entry(std::int64_t port, std::string command = "node", std::string user = "dev",
                std::string address = "127.0.0.1") {
    return PortEntry{port, std::move(address), 4242, std::move(command), std::move(user), {}, 4242, {}, {}};
}

} // namespace

TEST(PortEntryRules, DevelopmentRangeSystemProcessesRestartAndExposure) {
    for (const auto& [port, dev] : {std::pair{1023, false}, {1024, true}, {9999, true}, {10000, false}})
        EXPECT_EQ(entry(port).isDev(), dev) << port;

    // Neither a system process, even one's own, nor another user's server is offered a restart.
    const std::string me = platform::loginName();
    EXPECT_FALSE(entry(3000, "node", "someone-else").canRestart());
    for (const PortEntry& system :
         {entry(3306, "mysqld", "_mysql"), entry(80, "nginx", "root"), entry(5000, "launchd", me)})
        EXPECT_TRUE(system.isSystemCritical() && !system.canRestart()) << system.command;

    for (const char* exposed : {"*", "0.0.0.0", "[::]"}) EXPECT_TRUE(entry(1, "x", "u", exposed).isExposed());
    for (const char* local : {"::", "localhost", "[::1]", ""})
        EXPECT_FALSE(entry(1, "x", "u", local).isExposed());
}

// The command line's list is read by scripts: its field order is fixed.
TEST(PortEntryJson, FieldOrderEscapedSlashesAndAbsentFolder) {
    PortEntry e{8080, "[::1]", 77, "node", "dev", {"npm", "zsh"}, 100, "/Users/dev/shop", "shop"};
    EXPECT_EQ(e.id(), "77:8080");
    EXPECT_EQ(e.chainText(), "node \u2190 npm \u2190 zsh");
    EXPECT_EQ(e.owner(), "zsh");
    EXPECT_EQ(writePortList({e}), R"([{"port":8080,"address":"[::1]","pid":77,"command":"node","user":"dev",)"
                                  R"("parentChain":["npm","zsh"],"rootPid":100,"cwd":"\/Users\/dev\/shop",)"
                                  R"("project":"shop"}])");
    // Written directly, not through a JSON tree: every escape must be the one a JSON writer makes.
    const PortEntry odd = entry(5000, "bad\xFF"),
                    fine = entry(8080, "a/b \"q\" \\ \b\f\n\r\t\x01\x1F\x7F \u00e9");
    EXPECT_EQ(writePortList({}), "[]");
    const std::string written = R"({"port":8080,"address":"127.0.0.1","pid":4242,)"
                                R"("command":"a\/b \"q\" \\ \b\f\n\r\t\u0001\u001f)"
                                "\x7F \u00e9"
                                R"(","user":"dev","parentChain":[],"rootPid":4242})"; // no folder: no field
    // An entry that cannot be written costs only itself.
    EXPECT_EQ(writePortList({fine, odd, fine}), "[" + written + "," + written + "]");
}

} // namespace moorix
