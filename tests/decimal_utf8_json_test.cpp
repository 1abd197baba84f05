#include "core/text/decimal.h"
#include "core/text/utf8.h"

#include <gtest/gtest.h>

namespace moorix {

TEST(NumberRule, AcceptsOnlyASignAndDigitsThatFit) {
    for (const auto& [text, value] : {std::pair{"+42", std::int64_t{42}},
                                      {"-9223372036854775808", INT64_MIN},
                                      {"9223372036854775807", INT64_MAX}})
        EXPECT_EQ(parseInt64(text), value);
    for (const char* bad : {"", "+", "-", "+-1", "1 ", " 1", "0x10", "1e3", "3.0", "abc",
                            "9223372036854775808", "-9223372036854775809", "١٢"})
        EXPECT_FALSE(parseInt64(bad).has_value()) << bad;
    EXPECT_EQ(parseInt32("-2147483648"), INT32_MIN);
    EXPECT_FALSE(parseInt32("2147483648").has_value());
}

TEST(Utf8, ValidatesAndRepairs) {
    EXPECT_TRUE(isValidUtf8("T\u00FCrk\u00E7e \u2190 \U0001F680"));
    for (const char* bad : {"\xFF", "\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "ab\xE2\x86"})
        EXPECT_FALSE(isValidUtf8(bad)) << bad;
    EXPECT_EQ(repairUtf8("a\xFFz\xC3"), "a\uFFFDz\uFFFD");
}

} // namespace moorix
