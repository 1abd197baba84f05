#include "core/decimal.h"
#include "core/json_text.h"
#include "core/utf8.h"

#include <gtest/gtest.h>

namespace moorix {

TEST(NumberRule, AcceptsOnlyASignAndDigitsThatFit) {
    EXPECT_EQ(parseInt64("3000"), 3000);
    EXPECT_EQ(parseInt64("+42"), 42);
    EXPECT_EQ(parseInt64("-7"), -7);
    EXPECT_EQ(parseInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(parseInt64("9223372036854775807"), INT64_MAX);
    for (const char* bad : {"", "+", "-", "+-1", "1 ", " 1", "0x10", "1e3", "3.0", "abc", "9223372036854775808",
                            "-9223372036854775809", "١٢"})
        EXPECT_FALSE(parseInt64(bad).has_value()) << bad;
    EXPECT_EQ(parseInt32("2147483647"), INT32_MAX);
    EXPECT_EQ(parseInt32("-2147483648"), INT32_MIN);
    EXPECT_FALSE(parseInt32("2147483648").has_value());
    EXPECT_FALSE(parseInt32("99999999999").has_value());
}

TEST(Utf8, ValidatesAndRepairs) {
    EXPECT_TRUE(isValidUtf8("plain ascii"));
    EXPECT_TRUE(isValidUtf8("T\xC3\xBCrk\xC3\xA7" "e \xE2\x86\x90 \xF0\x9F\x9A\x80"));
    for (const char* bad : {"\xFF", "\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "ab\xE2\x86"})
        EXPECT_FALSE(isValidUtf8(bad)) << bad;
    EXPECT_EQ(repairUtf8("a\xFF" "b\xC3"), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
    EXPECT_EQ(repairUtf8("\xE2\x86\x90"), "\xE2\x86\x90");
}

TEST(CompactJson, EscapesSlashesKeepsOrderAndRejectsBadText) {
    nlohmann::ordered_json value;
    value["z"] = "/a/b";
    value["a"] = nlohmann::ordered_json::array({1, "x\"y", "T\xC3\xBCrk"});
    EXPECT_EQ(writeCompactJson(value), R"({"z":"\/a\/b","a":[1,"x\"y","T)" "\xC3\xBC" R"(rk"]})");
    EXPECT_EQ(writeCompactJson(nlohmann::ordered_json::array()), "[]");
    EXPECT_FALSE(writeCompactJson(nlohmann::ordered_json("bad \xFF byte")).has_value());
}

} // namespace moorix
