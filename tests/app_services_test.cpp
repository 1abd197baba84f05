#include "app/services/docker.h"
#include "app/services/editor.h"
#include "app/services/l10n.h"
#include "app/services/login_item.h"
#include "app/services/port_labels.h"
#include "app/services/port_list.h"
#include "app/services/port_subtitle.h"
#include "app/services/preferences.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QSettings>
#include <QStringList>

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace moorix {

namespace fs = std::filesystem;
using Docker::PortMap;
using test::runMoorix;

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// An executable script at `path` that writes its arguments, one a line, to `record`, then runs `body`.
std::string script(const std::string& path, const std::string& record, const std::string& body = "") {
    std::ofstream(path) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << record << "'\n" << body << "\n";
    ::chmod(path.c_str(), 0755);
    return path;
}

std::string dockerMode(const std::string& client) {
    const auto result = runMoorix({"--docker"}, {{"MOORIX_TEST_DOCKER", client}});
    EXPECT_EQ(result.status, 0);
    return result.out;
}

const auto rawStore = [] {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "quenvale.com", "moorix");
};

struct PreferencesTest : ::testing::Test {
    void SetUp() override { rawStore().clear(); }
    Preferences& prefs = Preferences::shared();
};

} // namespace

TEST_F(PreferencesTest, DefaultsAreNotWrittenAndValuesAreKeptInTheTestsConfigFolder) {
    EXPECT_TRUE(prefs.refreshInterval() == 3 && prefs.panelMaxHeight() == 480 && prefs.confirmBeforeKill());
    EXPECT_TRUE(prefs.appLanguage() == "system" && !prefs.portLabelsText() && prefs.hiddenPortSet().empty());
    EXPECT_EQ(rawStore().allKeys(), QStringList{});
    prefs.setRefreshInterval(5);
    prefs.setConfirmBeforeKill(false);
    prefs.setHiddenPortSet({8080, 3000});
    const QString location = Preferences::storeLocation();
    EXPECT_TRUE(location.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME") + "/")) << location.toStdString();
    EXPECT_EQ(QSettings(location, QSettings::IniFormat).value("hiddenPorts"), "3000,8080") << "at once";
    EXPECT_TRUE(prefs.refreshInterval() == 5 && !prefs.confirmBeforeKill());
}

TEST_F(PreferencesTest, ValuesOfTheWrongTypeFallBackToTheDefault) {
    for (const QVariant& bad : {QVariant("fast"), QVariant(QStringList{"1", "2"}), QVariant(0),
                                QVariant("-20"), QVariant("nan"), QVariant(QVariantMap{{"a", 1}})}) {
        rawStore().setValue("refreshInterval", bad);
        rawStore().setValue("appLanguage", bad);
        EXPECT_EQ(prefs.refreshInterval(), 3.0) << bad.toString().toStdString();
    }
    EXPECT_EQ(prefs.appLanguage(), "system");
    for (const QVariant& bad : {QVariant("maybe"), QVariant(2), QVariant(QStringList{"1", "2"})}) {
        rawStore().setValue("confirmBeforeKill", bad);
        EXPECT_TRUE(prefs.confirmBeforeKill()) << bad.toString().toStdString();
    }
    rawStore().setValue("panelMaxHeight", "600.5");
    rawStore().setValue("confirmBeforeKill", "FALSE");
    EXPECT_TRUE(prefs.panelMaxHeight() == 600.5 && !prefs.confirmBeforeKill()) << "as an INI file keeps them";
}

TEST_F(PreferencesTest, EachKeySignalsOncePerChangeAndPortListsKeepOnlyWholeDecimalNumbers) {
    std::vector<double> intervals;
    int watched = 0;
    QObject::connect(&prefs, &Preferences::refreshIntervalChanged,
                     [&](double value) { intervals.push_back(value); });
    QObject::connect(&prefs, &Preferences::watchedPortsChanged, [&] { ++watched; });
    for (const double value : {5, 5, 2})
        prefs.setRefreshInterval(value);
    for (const auto& ports : std::vector<std::set<std::int64_t>>{{5432, 3000}, {3000, 5432}, {}})
        prefs.setWatchedPorts(ports);
    prefs.disconnect();
    EXPECT_EQ(intervals, (std::vector<double>{5, 2}));
    EXPECT_EQ(watched, 2);
    const std::string store = Preferences::storeLocation().toStdString();
    std::ofstream(store) << "[General]\nwatchedPorts=3000,,abc,+80,5432\n";
    // Qt notices an edited store by its time stamp; make this edit look later than the last write.
    std::filesystem::last_write_time(store, std::filesystem::last_write_time(store) + std::chrono::seconds(2));
    EXPECT_EQ(prefs.watchedPorts(), (std::set<std::int64_t>{80, 3000, 5432})) << "an unquoted list";
    QObject::connect(&prefs, &Preferences::watchedPortsChanged, [&] { ++watched; });
    prefs.setWatchedPorts({});
    prefs.disconnect();
    EXPECT_EQ(watched, 3) << "clearing a hand-edited list is a change";
    EXPECT_EQ(PortList::parse("3000,, 8080,abc,+80,-1,99999999999999999999,0x50,30 00,5.0,3000"),
              (std::set<std::int64_t>{-1, 80, 3000}));
    EXPECT_EQ(PortList::countNumbers("3000,3000,x,,5432"), 3u);
}

TEST_F(PreferencesTest, PortLabelsAreTrimmedKeptAsCompactJsonAndAnythingElseReadsAsNoLabels) {
    PortLabels::set(QString(" shop \"api\"\t"), 3000);
    PortLabels::set(QString("\na/b ü\n"), 5432);
    PortLabels::set(QString("x"), 80);
    PortLabels::set(QString(" \t  "), 80);
    EXPECT_EQ(rawStore().value("portLabels"), "{\"3000\":\"shop \\\"api\\\"\",\"5432\":\"\\na\\/b ü\\n\"}");
    EXPECT_EQ(PortLabels::all(),
              (std::map<QString, QString>{{"3000", "shop \"api\""}, {"5432", "\na/b ü\n"}}));
    for (const char* stored : {"not json", "[\"a\"]", "{\"3000\":1}", "{\"3000\":\"a\",\"80\":null}", ""}) {
        rawStore().setValue("portLabels", stored);
        EXPECT_TRUE(PortLabels::all().empty()) << stored;
    }
}

// Every key the application looks up; after a colon, the arguments its callers pass ('s' text, 'i' integer).
// Both shipped tables must give each one a text taking exactly these arguments.
constexpr const char* applicationKeys =
    "search_placeholder refresh settings quit settings_menu history scanning no_ports no_match section_dev "
    "section_system filter_exposed chip_sys reclaim_all help_open help_kill help_sys help_exposed help_healthy "
    "help_no_http help_watched open_in_browser copy_url copy_port copy_pid copy_path copy_kill set_label "
    "label_placeholder watch unwatch hide_port restart kill_tree force_kill confirm_kill confirm_tree "
    "confirm_force confirm_restart confirm_sys cancel stop close clear_search history_title history_empty history_opened "
    "history_closed settings_title tab_general tab_updates section_behaviour section_appearance "
    "section_automatic section_version refresh_interval interval_2 interval_3 interval_5 interval_10 "
    "confirm_before_kill start_at_login restore language lang_system panel_height auto_check auto_check_help "
    "check_updates help_docker_stop:s open_in_editor:s confirm_docker:s docker_container:s version_label:s "
    "hero_exposed:i insight_orphans:i insight_stale:i notif_opened:i notif_closed:i notif_crashed:i "
    "hidden_ports:i started_by:ss";

TEST(ShippedTables, EveryKeyHasATextWithTheArgumentsItsCallersPassInBothLanguages) {
    std::map<std::string, std::string> keys;
    std::istringstream words(applicationKeys);
    for (std::string word; words >> word;)
        keys[word.substr(0, word.find(':'))] = word.substr(std::min(word.find(':'), word.size() - 1) + 1);
    ASSERT_EQ(keys.size(), 82u);
    const std::string folder = std::string(MOORIX_SOURCE_DIR) + "/resources/Moorix_Moorix.bundle/";
    for (const std::string language : {"en", "tr"}) {
        const StringTable table =
            parseStringsTable(readFile(folder + language + ".lproj/Localizable.strings")).table;
        for (const auto& [key, signature] : keys) {
            const std::string text = table.contains(key) ? table.find(key)->second : "";
            ASSERT_NE(text, "") << language << " has no text for " << key;
            EXPECT_EQ(formatSignature(QString::fromStdString(text)), signature) << language << " " << key;
        }
    }
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
    Preferences::shared().setAppLanguage("tr");
    EXPECT_EQ(L10n::format("notif_closed", {std::int64_t{3000}}), "Port 3000 artık dinlemiyor");
    EXPECT_EQ(L10n::text("no_such_key"), "no_such_key");
    EXPECT_EQ(L10n::format("started_by", {QString("node"), QString("zsh")}), "zsh ile başlatılan node");
    EXPECT_EQ(subtitle(PortEntry{}, std::string("a%@b")), "Docker kapsayıcısı: a%@b") << "not a format";
    Preferences::shared().setAppLanguage("xx");
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

TEST(TranslationMode, PrintsBothRawTextsEnglishFirstWhateverTheLanguageOrNoBundle) {
    const std::map<std::string, std::string> turkish{{"LANG", "tr_TR.UTF-8"}, {"LANGUAGE", "tr"}};
    EXPECT_EQ(runMoorix({"--t", "quit"}, turkish).out, "en: Quit Moorix\ntr: Moorix'ten Çık\n");
    EXPECT_EQ(runMoorix({"--t", "started_by", "--t", "cancel"}).out,
              "en: %1$@ started by %2$@\ntr: %2$@ ile başlatılan %1$@\n");
    for (const char* key : {"no_such_key", "--docker", ""})
        EXPECT_EQ(runMoorix({"--t", key}, turkish).out, "en: MISSING\ntr: MISSING\n") << key;
    EXPECT_EQ(runMoorix({"--t", "quit"}, {{"MOORIX_TEST_RESOURCES", "/nonexistent"}}).out,
              "en: NO BUNDLE\ntr: NO BUNDLE\n");
}

TEST(DockerParse, PublishedPortsMapToTheirContainerAndAwkwardLinesAreSkippedOneByOne) {
    EXPECT_EQ(
        Docker::parseContainerPorts("pg\t:::5432->5432/tcp,0.0.0.0:5432->5432/tcp\ndb\t5432/tcp\nnone\t\n"
                                    "cache\t127.0.0.1:6379->6379/tcp, 8080/tcp, 0.0.0.0:8081->80/tcp\n"
                                    "api\t0.0.0.0:8000-8001->8000-8001/tcp\n"),
        (PortMap{{5432, "pg"}, {6379, "cache"}, {8081, "cache"}}));
    EXPECT_EQ(
        Docker::parseContainerPorts(
            "\n\t\tlead\t0.0.0.0:1000->1/tcp\nmy app\t0.0.0.0:2000->2/tcp\textra\nnoports\n\t\t\n"
            "odd\t0.0.0.0:->3/tcp,host:abc->4/tcp,3005->5/tcp, ,,[::1]:3006->6/udp\n"
            "first\t0.0.0.0:4000->4000/tcp\nsecond\t[::]:4000->4001/tcp\n"
            "big\t0.0.0.0:99999999999999999999->1/tcp\ncrlf\t0.0.0.0:5000->5000/tcp\r\n\xff\xfe\x01->:->"),
        (PortMap{{1000, "lead"}, {2000, "my app"}, {3006, "odd"}, {4000, "second"}, {5000, "crlf"}}));
}

TEST(DockerCache, RunsTheClientAtMostOnceEveryThirtySecondsOfTheClock) {
    double now = 1000;
    int fetches = 0;
    const auto fetch = [&] { return ++fetches == 1 ? PortMap{} : PortMap{{fetches, "web"}}; };
    Docker::ContainerPortCache cache(fetch, [&] { return now; });
    for (const double step : {0.0, 29.9, 0.1, 29.9, -100.0}) {
        now += step;
        cache.get();
    }
    EXPECT_EQ(fetches, 3) << "at 0 and 30 s (an empty map is kept too), and once the clock went back";
    EXPECT_EQ(cache.get(), (PortMap{{3, "web"}}));
}

TEST(DockerTrust, FilesFoldersAndLinksOfAnotherOwnerAreNeverRun) {
    const passwd* nobody = ::getpwnam("nobody");
    if (::getuid() != 0 || !nobody || nobody->pw_uid == 0) GTEST_SKIP() << "needs root and nobody";
    test::TempDir dir;
    fs::create_directory(dir.file("foreign"));
    for (const char* name : {"mine", "theirs", "foreign/docker"})
        script(dir.file(name), dir.file("args"));
    fs::create_symlink(dir.file("mine"), dir.file("their-link"));
    fs::create_symlink(dir.file("foreign/docker"), dir.file("to-foreign"));
    fs::create_symlink(dir.file("gone"), dir.file("dangling"));
    fs::create_symlink(dir.file("mine"), dir.file("our-link"));
    for (const char* name : {"theirs", "foreign", "their-link"})
        ASSERT_EQ(::lchown(dir.file(name).c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    dir.write("plain", "not a program");
    // Ours in a folder another user can rewrite is no more trusted than theirs.
    EXPECT_FALSE(Docker::trusted(dir.file("theirs")) || Docker::trusted(dir.file("foreign/docker")) ||
                 Docker::trusted("relative/docker"));
    std::vector<std::string> candidates{dir.path()};
    for (const char* name :
         {"theirs", "absent", "to-foreign", "their-link", "plain", "dangling", "our-link", "mine"})
        candidates.push_back(dir.file(name));
    EXPECT_EQ(Docker::locateClient(candidates), dir.file("our-link")) << "the first trusted one, as written";
    EXPECT_EQ(dockerMode(dir.file("theirs")), "");
    EXPECT_FALSE(fs::exists(dir.file("args"))) << "never started";
}

TEST(DockerMode, PrintsPublishedPortsSortedAndNothingForASilentGarbledOrHungClient) {
    test::TempDir dir;
    EXPECT_EQ(dockerMode(script(dir.file("docker"), dir.file("args"),
                                "printf 'web\\t0.0.0.0:8080->80/tcp, [::]:8080->80/tcp\\ndb\\t5432/tcp\\n"
                                "pg\\t127.0.0.1:5432->5432/tcp\\nvite\\t0.0.0.0:3000->3000/tcp\\n'")),
              "3000 -> vite\n5432 -> pg\n8080 -> web\n");
    EXPECT_EQ(readFile(dir.file("args")), "ps\n--format\n{{.Names}}\t{{.Ports}}\n");
    for (const char* body : {"true", "exit 3", "printf 'no tabs\\nname\\tports\\n:::->\\n'",
                             "printf '\\377\\376\\tx:1->1\\n'", "exec sleep 60"})
        EXPECT_EQ(dockerMode(script(dir.file("docker"), dir.file("args"), body)), "") << body;
    // Cut off by its two-second limit, what it wrote before still counts.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(dockerMode(script(dir.file("docker"), dir.file("args"),
                                "printf 'web\\t0.0.0.0:3000->3000/tcp\\n'; exec sleep 60")),
              "3000 -> web\n");
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(took.count() >= 1.5 && took.count() < 10) << took.count();
}

TEST(LoginItem, AwkwardPathsAreEscapedForTheLaunchAgentAndQuotedAsOneExecArgument) {
    // Path, its Exec line (argument quoting, then the desktop entry's own escapes), its plist string.
    for (const auto& [path, exec, xml] : std::vector<std::tuple<std::string, std::string, std::string>>{
             {"/R&D/m", "Exec=\"/R&D/m\"", "/R&amp;D/m"},
             {"/\"q\" 'x' <n>/`id`$H\\100%/a\tb\nc",
              R"(Exec="/\\"q\\" 'x' <n>/\\`id\\`\\$H\\\\100%%/a\tb\nc")",
              "/&quot;q&quot; &apos;x&apos; &lt;n&gt;/`id`$H\\100%/a\tb\nc"}}) {
        const std::string entry = LoginItem::autostartEntry(path);
        EXPECT_NE(entry.find("\n" + exec + "\n"), std::string::npos) << entry;
        EXPECT_EQ(std::count(entry.begin(), entry.end(), '\n'), 7) << "a line break must not start a new key";
        EXPECT_NE(LoginItem::launchAgentPlist(path).find("<string>" + xml + "</string>"), std::string::npos);
    }
}

TEST(Editor, CursorComesFirstThenCodeAndTheFolderReachesItAsOneArgument) {
    for (const char* folder : {"/usr/bin/", "/usr/local/bin/", "/snap/bin/"})
        for (const char* name : {"cursor", "code"})
            if (::access((folder + std::string(name)).c_str(), X_OK) == 0) GTEST_SKIP() << "real editor";
    test::TempDir dir;
    const std::string bin = std::string(std::getenv("HOME")) + "/.local/bin/",
                      folder = dir.file("my \"x\" & $HOME");
    fs::create_directories(bin);
    fs::create_directory(folder);
    EXPECT_EQ(Editor::appName(), std::nullopt);
    script(bin + "code", dir.file("code"));
    std::ofstream(bin + "cursor") << "not executable";
    EXPECT_EQ(Editor::appName(), "Visual Studio Code");
    // An editor that stays in the foreground: opening a folder neither waits for it nor stops it.
    script(bin + "cursor", dir.file("cursor"), "echo $$ > '" + dir.file("pid") + "'; exec sleep 30");
    EXPECT_EQ(Editor::appName(), "Cursor");
    Editor::open(QString::fromStdString(folder));
    ASSERT_TRUE(test::waitUntil([&] { return readFile(dir.file("cursor")) == folder + "\n"; }, 10));
    ASSERT_TRUE(test::waitUntil([&] { return !readFile(dir.file("pid")).empty(); }, 10));
    const pid_t editor = std::stoi(readFile(dir.file("pid")));
    EXPECT_EQ(::kill(editor, 0), 0) << "still running";
    ::kill(editor, SIGKILL);
}

} // namespace moorix
