#include "core/json_text.h"
#include "core/platform/platform.h"
#include "core/port_entry.h"

#include <gtest/gtest.h>

namespace moorix {

namespace {

PortEntry entry(std::int64_t port, std::string command = "node", std::string user = "dev") {
    return PortEntry{port, "127.0.0.1", 4242, std::move(command), std::move(user), {}, 4242, {}, {}};
}

} // namespace

TEST(PortEntryClassification, DevelopmentPortBounds) {
    EXPECT_FALSE(entry(1023).isDev());
    EXPECT_TRUE(entry(1024).isDev());
    EXPECT_TRUE(entry(9999).isDev());
    EXPECT_FALSE(entry(10000).isDev());
}

TEST(PortEntryClassification, SystemCriticalAndRestartRules) {
    const std::string me = platform::loginName();
    EXPECT_TRUE(entry(3306, "mysqld", "_mysql").isSystemCritical());
    EXPECT_FALSE(entry(3306, "mysqld", "_mysql").canRestart());
    EXPECT_TRUE(entry(80, "nginx", "root").isSystemCritical());
    EXPECT_FALSE(entry(80, "nginx", "root").canRestart());
    EXPECT_TRUE(entry(5000, "launchd", me).isSystemCritical());
    EXPECT_FALSE(entry(5000, "launchd", me).canRestart());
    EXPECT_FALSE(entry(3000, "node", "someone-else").isSystemCritical());
    EXPECT_FALSE(entry(3000, "node", "someone-else").canRestart());
    EXPECT_FALSE(entry(3000, "Launchd", "someone-else").isSystemCritical()) << "matching is case-sensitive";
    if (me != "root" && !me.empty()) {
        EXPECT_TRUE(entry(3000, "node", me).canRestart());
    }
}

TEST(PortEntryClassification, ExposureIsTextual) {
    for (const char* exposed : {"*", "0.0.0.0", "[::]"}) {
        PortEntry e = entry(3000);
        e.address = exposed;
        EXPECT_TRUE(e.isExposed()) << exposed;
    }
    for (const char* local : {"::", "localhost", "127.0.0.1", "[::1]", ""}) {
        PortEntry e = entry(3000);
        e.address = local;
        EXPECT_FALSE(e.isExposed()) << local;
    }
}

TEST(PortEntryDerived, IdChainOwnerAndUrl) {
    PortEntry e{8080, "*", 77, "node", "dev", {"npm", "zsh", "login"}, 10, {}, {}};
    EXPECT_EQ(e.id(), "77:8080");
    EXPECT_EQ(e.chainText(), "node \u2190 npm \u2190 zsh \u2190 login");
    EXPECT_EQ(e.owner(), "login");
    EXPECT_EQ(e.url(), "http://localhost:8080");
    e.parentChain.clear();
    EXPECT_EQ(e.chainText(), "node");
    EXPECT_EQ(e.owner(), "node");
}

TEST(PortEntryJson, EncodesFieldsInOrderAndLeavesOutAbsentFolder) {
    PortEntry e{3000, "[::1]", 4242, "node", "dev", {"npm", "zsh"}, 100, {}, {}};
    EXPECT_EQ(writeCompactJson(toJson(e)),
              R"({"port":3000,"address":"[::1]","pid":4242,"command":"node","user":"dev",)"
              R"("parentChain":["npm","zsh"],"rootPid":100})");
    e.cwd = "/Users/dev/shop";
    e.project = "shop";
    EXPECT_EQ(writeCompactJson(toJson(e)),
              R"({"port":3000,"address":"[::1]","pid":4242,"command":"node","user":"dev",)"
              R"("parentChain":["npm","zsh"],"rootPid":100,"cwd":"\/Users\/dev\/shop","project":"shop"})");
}

TEST(PortEntryJson, DecodesWhatItEncodesAndRejectsMissingOrWrongKeys) {
    PortEntry e{3000, "*", 1, "node", "", {"a b"}, 1, "/x", "x"};
    EXPECT_EQ(portEntryFromJson(nlohmann::json::parse(toJson(e).dump())), e);

    auto decoded = portEntryFromJson(nlohmann::json::parse(
        R"({"rootPid":5,"cwd":null,"port":1,"address":"*","pid":5,"command":"c","user":"u","parentChain":[]})"));
    ASSERT_TRUE(decoded.has_value());
    EXPECT_FALSE(decoded->cwd.has_value());

    for (const char* bad : {
             R"([])",
             R"({"port":1,"address":"*","pid":5,"command":"c","user":"u","parentChain":[]})",
             R"({"port":"1","address":"*","pid":5,"command":"c","user":"u","parentChain":[],"rootPid":5})",
             R"({"port":1,"address":"*","pid":5,"command":"c","user":"u","parentChain":[1],"rootPid":5})",
             R"({"port":1,"address":"*","pid":5000000000,"command":"c","user":"u","parentChain":[],"rootPid":5})",
             R"({"port":1,"address":"*","pid":5,"command":"c","user":"u","parentChain":[],"rootPid":5,"cwd":3})",
         })
        EXPECT_FALSE(portEntryFromJson(nlohmann::json::parse(bad)).has_value()) << bad;
}

} // namespace moorix
