#include "app/services/l10n.h"
#include "app/services/port_subtitle.h"
#include "app/services/preferences.h"
#include "app/services/strings_table.h"
#include "app/services/text_format.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <QLocale>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace moorix {

namespace {

// Every key the application looks up, with the arguments its users fill in ('s' text, 'i' integer).
const std::map<std::string, std::string>& applicationKeys() {
    static const std::map<std::string, std::string> keys = [] {
        std::map<std::string, std::string> all;
        for (const char* key : {"search_placeholder",
                                "refresh",
                                "settings",
                                "quit",
                                "history",
                                "scanning",
                                "no_ports",
                                "no_match",
                                "section_dev",
                                "section_system",
                                "filter_exposed",
                                "chip_sys",
                                "reclaim_all",
                                "help_open",
                                "help_kill",
                                "help_sys",
                                "help_exposed",
                                "help_healthy",
                                "help_no_http",
                                "help_watched",
                                "open_in_browser",
                                "copy_url",
                                "copy_port",
                                "copy_pid",
                                "copy_path",
                                "copy_kill",
                                "set_label",
                                "label_placeholder",
                                "watch",
                                "unwatch",
                                "hide_port",
                                "restart",
                                "kill_tree",
                                "force_kill",
                                "confirm_kill",
                                "confirm_tree",
                                "confirm_force",
                                "confirm_restart",
                                "confirm_sys",
                                "cancel",
                                "stop",
                                "history_title",
                                "history_empty",
                                "history_opened",
                                "history_closed",
                                "settings_title",
                                "tab_general",
                                "tab_updates",
                                "section_behaviour",
                                "section_appearance",
                                "section_automatic",
                                "section_version",
                                "refresh_interval",
                                "interval_2",
                                "interval_3",
                                "interval_5",
                                "interval_10",
                                "confirm_before_kill",
                                "start_at_login",
                                "restore",
                                "language",
                                "lang_system",
                                "panel_height",
                                "auto_check",
                                "auto_check_help",
                                "check_updates"})
            all[key] = "";
        for (const char* key :
             {"help_docker_stop", "open_in_editor", "confirm_docker", "docker_container", "version_label"})
            all[key] = "s";
        for (const char* key : {"hero_exposed", "insight_orphans", "insight_stale", "notif_opened",
                                "notif_closed", "notif_crashed", "hidden_ports"})
            all[key] = "i";
        all["started_by"] = "ss";
        return all;
    }();
    return keys;
}

std::string readSource(const std::string& language) {
    std::ifstream in(std::string(MOORIX_SOURCE_DIR) + "/resources/Moorix_Moorix.bundle/" + language +
                     ".lproj/Localizable.strings");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override { Preferences::shared().setAppLanguage("en"); }
    void TearDown() override { Preferences::shared().setAppLanguage("system"); }
};

} // namespace

TEST(ShippedTables, EveryKeyHasATextWithTheArgumentsItsUsersPassInBothLanguages) {
    ASSERT_EQ(applicationKeys().size(), 79u);
    for (const std::string language : {"en", "tr"}) {
        const StringsParse parse = parseStringsTable(readSource(language));
        for (const auto& error : parse.errors)
            ADD_FAILURE() << language << " line " << error.line << ": " << error.message;
        for (const auto& [key, signature] : applicationKeys()) {
            const auto found = parse.table.find(key);
            if (found == parse.table.end() || found->second.empty()) {
                ADD_FAILURE() << language << " has no text for " << key;
                continue;
            }
            EXPECT_EQ(formatSignature(QString::fromStdString(found->second)), signature)
                << language << " " << key << ": " << found->second;
        }
        for (const auto& [key, text] : parse.table)
            EXPECT_TRUE(applicationKeys().contains(key)) << language << " has an unused key " << key;
    }
}

TEST(ShippedTables, TheBuiltBundleIsFoundAndHoldsBothLanguages) {
    const ResourceBundle* bundle = L10n::resources();
    ASSERT_NE(bundle, nullptr);
    EXPECT_EQ(bundle->languages(), (std::vector<std::string>{"en", "tr"}));
    EXPECT_EQ(bundle->table("tr")->at("quit"), "Moorix'ten Çık");
    EXPECT_EQ(bundle->table("de"), nullptr);
}

TEST(StringsTable, ReadsEscapesCommentsAndUnicode) {
    const auto parse = parseStringsTable("\xEF\xBB\xBF/* header\n over lines */\n"
                                         "\"a\" = \"say \\\"hi\\\"\\n\\tand \\\\ go\"; // trailing\n"
                                         "\"b\"=\"\\U00e7\\U0131 \\UD83D\\UDE00\";\n"
                                         "  \"multi\" =\n  \"line one\nline two\" ;\n"
                                         "\"türkçe\" = \"ğüşiöç İ\";");
    EXPECT_TRUE(parse.errors.empty());
    EXPECT_EQ(parse.table, (StringTable{{"a", "say \"hi\"\n\tand \\ go"},
                                        {"b", "çı 😀"},
                                        {"multi", "line one\nline two"},
                                        {"türkçe", "ğüşiöç İ"}}));
}

TEST(StringsTable, ASyntaxErrorCostsOnlyItsOwnEntryAndIsReportedWithItsLine) {
    const auto parse = parseStringsTable("\"a\" = \"1\";\n"
                                         "\"b\" = \"2\"\n" // missing semicolon
                                         "\"c\" = \"3\";\n"
                                         "\"d\" \"4\";\n" // missing "="
                                         "e = \"5\";\n"   // unquoted key
                                         "\"f\" = \"unterminated;\n"
                                         "\"g\" = \"\\Uzz\";\n" // bad escape
                                         "\"h\" = \"8\";\n"
                                         "\"a\" = \"again\";\n"); // duplicate
    EXPECT_EQ(parse.table, (StringTable{{"a", "again"}, {"c", "3"}, {"h", "8"}}));
    std::vector<int> lines;
    for (const auto& error : parse.errors)
        lines.push_back(error.line);
    EXPECT_EQ(lines, (std::vector<int>{2, 4, 5, 6, 7, 9}));
}

TEST(StringsTable, UnterminatedCommentAndEmptyInputDoNotLoseEarlierEntries) {
    EXPECT_TRUE(parseStringsTable("").table.empty());
    const auto parse = parseStringsTable("\"a\" = \"1\";\n/* never closed\n\"b\" = \"2\";");
    EXPECT_EQ(parse.table, (StringTable{{"a", "1"}}));
    ASSERT_EQ(parse.errors.size(), 1u);
    EXPECT_EQ(parse.errors[0].line, 2);
}

TEST(TextFormat, FillsTextAndIntegerArgumentsInOrderOrByPosition) {
    EXPECT_EQ(formatText("%@ started by %@", {QString("node"), QString("npm")}), "node started by npm");
    EXPECT_EQ(formatText("%2$@ ile başlatılan %1$@", {QString("node"), QString("npm")}),
              "npm ile başlatılan node");
    EXPECT_EQ(formatText("Port %d / %ld / %lld / %u, 100%%",
                         {std::int64_t{3000}, std::int64_t{-1}, std::int64_t{9000000000}, std::int64_t{7}}),
              "Port 3000 / -1 / 9000000000 / 7, 100%");
    EXPECT_EQ(formatText("%1$@ and %1$@", {QString("x")}), "x and x");
}

TEST(TextFormat, MismatchedOrMissingArgumentsNeverBreakTheText) {
    EXPECT_EQ(formatText("Port %d", {QString("db")}), "Port db");
    EXPECT_EQ(formatText("Hidden: %@", {std::int64_t{3}}), "Hidden: 3");
    EXPECT_EQ(formatText("%@ and %@", {QString("a")}), "a and %@");
    EXPECT_EQ(formatText("50% done %s %", {QString("a")}), "50% done %s %");
    EXPECT_EQ(formatText("%@", {QString("%d %@")}), "%d %@") << "arguments are not formats";
}

TEST(TextFormat, SignatureNamesTheArgumentsOrRejectsTheFormat) {
    EXPECT_EQ(formatSignature("plain 100%%"), "");
    EXPECT_EQ(formatSignature("%@ by %@"), "ss");
    EXPECT_EQ(formatSignature("%2$@ by %1$@"), "ss");
    EXPECT_EQ(formatSignature("%2$d of %1$@"), "si");
    EXPECT_EQ(formatSignature("%lld"), "i");
    EXPECT_EQ(formatSignature("100%"), std::nullopt);
    EXPECT_EQ(formatSignature("%s"), std::nullopt);
    EXPECT_EQ(formatSignature("%2$@"), std::nullopt) << "argument 1 skipped";
    EXPECT_EQ(formatSignature("%1$@ %1$d"), std::nullopt) << "one argument, two kinds";
}

TEST(ChooseLanguage, PreferenceWinsWhenItsTableExistsOtherwiseTheSystemDecides) {
    const std::vector<std::string> both{"en", "tr"};
    EXPECT_EQ(L10n::chooseLanguage("tr", both, {"en-US"}), "tr");
    EXPECT_EQ(L10n::chooseLanguage("en", both, {"tr-TR"}), "en");
    EXPECT_EQ(L10n::chooseLanguage("system", both, {"tr-TR", "en-US"}), "tr");
    EXPECT_EQ(L10n::chooseLanguage("system", both, {"de_DE", "tr"}), "tr");
    EXPECT_EQ(L10n::chooseLanguage("fr", both, {"TR"}), "tr") << "no fr table: the system's choice";
    EXPECT_EQ(L10n::chooseLanguage("system", both, {"de-DE"}), "en") << "no match: the development language";
    EXPECT_EQ(L10n::chooseLanguage("", both, {}), "en");
    EXPECT_EQ(L10n::chooseLanguage("system", {"tr"}, {"de"}), "tr");
    EXPECT_EQ(L10n::chooseLanguage("tr", {}, {"tr"}), "");
}

TEST(ResourceLocation, BareExecutableLooksBesideItselfThenInShareThenTheBuildFolder) {
    const auto candidates = L10n::resourceCandidates("/home/u/.local/bin");
    ASSERT_EQ(candidates.size(), 3u);
    EXPECT_EQ(candidates[0], "/home/u/.local/bin/Moorix_Moorix.bundle");
    EXPECT_EQ(candidates[1], "/home/u/.local/share/moorix/Moorix_Moorix.bundle");
    ASSERT_NE(L10n::resources(), nullptr);
    EXPECT_EQ(candidates[2], L10n::resources()->folder()) << "tests run outside the executable's folder";
    const auto packaged = L10n::resourceCandidates("/Applications/Moorix.app/Contents/MacOS");
    EXPECT_EQ(packaged.front(), "/Applications/Moorix.app/Contents/Resources/Moorix_Moorix.bundle");
    EXPECT_EQ(packaged[2], "/Applications/Moorix_Moorix.bundle");
}

TEST(ResourceBundle, MissingFoldersAndTablesGiveNoTextsButNoFailure) {
    test::TempDir dir;
    EXPECT_FALSE(ResourceBundle::open(dir.file("absent")).has_value());
    std::filesystem::create_directories(dir.file("b/en.lproj"));
    std::filesystem::create_directories(dir.file("b/notes"));
    dir.write("b/tr.lproj", "a file, not a folder");
    const auto bundle = ResourceBundle::open(dir.file("b"));
    ASSERT_TRUE(bundle.has_value());
    EXPECT_EQ(bundle->languages(), std::vector<std::string>{"en"});
    ASSERT_NE(bundle->table("en"), nullptr);
    EXPECT_TRUE(bundle->table("en")->empty());
    EXPECT_EQ(bundle->table("tr"), nullptr);
}

TEST_F(LanguageTest, ChosenLanguageGivesItsTextsAndAMissingKeyShowsTheKey) {
    EXPECT_EQ(L10n::text("cancel"), "Cancel");
    Preferences::shared().setAppLanguage("tr");
    EXPECT_EQ(L10n::language(), "tr");
    EXPECT_EQ(L10n::text("cancel"), "Vazgeç");
    EXPECT_EQ(L10n::format("notif_closed", {std::int64_t{3000}}), "Port 3000 artık dinlemiyor");
    EXPECT_EQ(L10n::text("no_such_key"), "no_such_key");
    Preferences::shared().setAppLanguage("xx");
    EXPECT_EQ(L10n::language(),
              L10n::chooseLanguage("system", {"en", "tr"}, QLocale::system().uiLanguages()));
}

TEST_F(LanguageTest, SubtitleNamesTheContainerOrTheProjectAndWhoStartedIt) {
    PortEntry entry;
    entry.port = 3000;
    entry.command = "node";
    entry.project = "shop";
    EXPECT_EQ(subtitle(entry, std::nullopt), "shop \u00B7 node");
    EXPECT_EQ(subtitle(entry, std::string("web")), "Docker container web");
    entry.parentChain = {"npm", "zsh"};
    EXPECT_EQ(subtitle(entry, std::nullopt), "shop \u00B7 node started by zsh");
    entry.project.reset();
    EXPECT_EQ(subtitle(entry, std::nullopt), "node started by zsh");
    Preferences::shared().setAppLanguage("tr");
    EXPECT_EQ(subtitle(entry, std::nullopt), "zsh ile başlatılan node");
    EXPECT_EQ(subtitle(entry, std::string("a%@b")), "Docker kapsayıcısı: a%@b");
}

} // namespace moorix
