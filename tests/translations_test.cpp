// The shipped string tables, the strings-file reader and the language chosen from them.
#include "app/services/l10n.h"
#include "app/services/port_subtitle.h"
#include "app/services/text_format.h"
#include "core/text/strings_table.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>

namespace moorix {

namespace {

StringTable shippedTable(const std::string& language) {
    const std::string bundle = MOORIX_SOURCE_DIR "/resources/Moorix_Moorix.bundle/";
    return parseStringsTable(test::readFile(bundle + language + ".lproj/Localizable.strings")).table;
}

// The keys the application's code passes to a lookup by name.
std::set<std::string> keysInCode() {
    static const std::regex lookup(R"((L10n::(text|format)|message)\(([^;]*))"),
        literal(R"re("([a-z][a-z0-9_]*)")re");
    std::set<std::string> keys;
    for (const auto& file : std::filesystem::recursive_directory_iterator(MOORIX_SOURCE_DIR "/app")) {
        if (!file.is_regular_file()) continue;
        const std::string text = test::readFile(file.path().string());
        for (std::sregex_iterator call(text.begin(), text.end(), lookup), end; call != end; ++call) {
            const std::string arguments = (*call)[3];
            for (std::sregex_iterator key(arguments.begin(), arguments.end(), literal); key != end; ++key)
                keys.insert((*key)[1]);
        }
    }
    return keys;
}

} // namespace

TEST(ShippedTables, BothLanguagesHaveTheSameKeysWithTheSameArgumentsAndEveryKeyTheCodeUses) {
    const StringTable english = shippedTable("en"), turkish = shippedTable("tr");
    ASSERT_GT(english.size(), 50u);
    for (const auto& [key, text] : english) {
        const auto other = turkish.find(key);
        ASSERT_NE(other, turkish.end()) << "tr has no text for " << key;
        const auto signature = formatSignature(QString::fromStdString(text));
        EXPECT_TRUE(signature.has_value() && !text.empty()) << key;
        EXPECT_EQ(formatSignature(QString::fromStdString(other->second)), signature) << key;
    }
    EXPECT_EQ(turkish.size(), english.size());
    const auto used = keysInCode();
    EXPECT_GT(used.size(), 60u);
    for (const auto& key : used) EXPECT_TRUE(english.contains(key)) << key << " is used in code";
    for (const char* rejected : {"100%", "%s", "%2$@", "%1$@ %1$d"})
        EXPECT_EQ(formatSignature(rejected), std::nullopt) << rejected;
}

TEST(StringsTable, ASyntaxErrorCostsOnlyItsOwnEntryAndIsReportedWithItsLine) {
    const auto parse =
        parseStringsTable("\"a\" = \"1\";\n\"b\" = \"2\"\n\"c\" = \"\\\"\\U00e7\\UD83D\\UDE00\\n ğ\"; // c\n"
                          "\"d\" \"4\";\ne = \"5\";\n\"f\" = \"open;\n\"g\" = \"\\Uzz\";\n"
                          "\"h\" = \"8\";\n\"a\" = \"again\";\n/* unclosed\n\"i\" = \"9\";");
    EXPECT_EQ(parse.table, (StringTable{{"a", "again"}, {"c", "\"ç😀\n ğ"}, {"h", "8"}}));
    EXPECT_EQ(parse.errors.size(), 7u);
    EXPECT_EQ(parse.errors.back().line, 10) << "errors give their line";
}

TEST(L10n, TheChosenTableGivesItsFilledTextsAndAMissingKeyShowsTheKey) {
    const std::vector<std::string> both{"en", "tr"};
    EXPECT_EQ(L10n::chooseLanguage("system", both, {"de_DE", "tr-TR"}), "tr");
    EXPECT_EQ(L10n::chooseLanguage("fr", both, {"TR"}), "tr") << "no fr table: the system's choice";
    EXPECT_EQ(L10n::chooseLanguage("system", both, {"de-DE"}), "en") << "no match: the development language";
    L10n::setLanguage("tr");
    EXPECT_EQ(L10n::format("notif_closed", {std::int64_t{3000}}), "Port 3000 artık dinlemiyor");
    EXPECT_EQ(L10n::text("no_such_key"), "no_such_key");
    EXPECT_EQ(L10n::format("started_by", {QString("node"), QString("zsh")}), "zsh ile başlatılan node");
    EXPECT_EQ(subtitle(PortEntry{}, std::string("a%@b")), "Docker kapsayıcısı: a%@b") << "not a format";
    L10n::setLanguage("xx");
    EXPECT_EQ(L10n::language(), L10n::chooseLanguage("system", both, QLocale::system().uiLanguages()));
}

TEST(L10n, WithoutABundleEveryTextIsItsKey) {
    // In a fresh process, as the bundle is looked for once; that process removes its own temporary home.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ::setenv("MOORIX_TEST_RESOURCES", "/nonexistent/Moorix_Moorix.bundle", 1);
    EXPECT_EXIT(std::exit((std::filesystem::remove_all(std::getenv("HOME")), L10n::resources()) ||
                          L10n::text("quit") != "quit" ||
                          L10n::format("notif_closed", {std::int64_t{1}}) != "notif_closed"),
                ::testing::ExitedWithCode(0), "");
    ::unsetenv("MOORIX_TEST_RESOURCES");
}

} // namespace moorix
