#include "app/services/port_labels.h"
#include "app/services/port_list.h"
#include "app/services/preferences.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QStringList>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace moorix {

namespace {

QSettings rawStore() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "quenvale.com", "moorix");
}

class PreferencesTest : public ::testing::Test {
protected:
    void SetUp() override {
        QSettings store = rawStore();
        store.clear();
        store.sync();
    }
    static void storeRaw(const char* key, const QVariant& value) {
        QSettings store = rawStore();
        store.setValue(key, value);
        store.sync();
    }
    static QVariant readRaw(const char* key) { return rawStore().value(key); }

    Preferences& prefs = Preferences::shared();
};

} // namespace

TEST_F(PreferencesTest, StoreLivesInTheTestsConfigFolder) {
    prefs.setConfirmBeforeKill(false);
    const std::string config = std::getenv("XDG_CONFIG_HOME");
    const std::string location = Preferences::storeLocation().toStdString();
    EXPECT_EQ(location.rfind(config + "/", 0), 0u) << location;
    EXPECT_TRUE(std::ifstream(location).good()) << "written through at once";
}

TEST_F(PreferencesTest, AbsentKeysReadAsTheirDefaultsAndAreNotWrittenBack) {
    EXPECT_EQ(prefs.refreshInterval(), 3.0);
    EXPECT_EQ(prefs.panelMaxHeight(), 480.0);
    EXPECT_TRUE(prefs.confirmBeforeKill());
    EXPECT_EQ(prefs.hiddenPorts(), "");
    EXPECT_EQ(prefs.appLanguage(), "system");
    EXPECT_FALSE(prefs.portLabelsText().has_value());
    EXPECT_TRUE(prefs.watchedPorts().empty());
    EXPECT_TRUE(rawStore().allKeys().isEmpty());
}

TEST_F(PreferencesTest, ValuesRoundTripThroughTheStore) {
    prefs.setRefreshInterval(5);
    prefs.setPanelMaxHeight(620);
    prefs.setConfirmBeforeKill(false);
    prefs.setHiddenPortSet({8080, 3000});
    prefs.setAppLanguage("tr");
    prefs.setWatchedPorts({5432, 3000});
    EXPECT_EQ(prefs.refreshInterval(), 5.0);
    EXPECT_EQ(prefs.panelMaxHeight(), 620.0);
    EXPECT_FALSE(prefs.confirmBeforeKill());
    EXPECT_EQ(prefs.hiddenPorts(), "3000,8080");
    EXPECT_EQ(prefs.appLanguage(), "tr");
    EXPECT_EQ(prefs.watchedPorts(), (std::set<std::int64_t>{3000, 5432}));
    EXPECT_EQ(readRaw("watchedPorts").toString(), "3000,5432");
}

TEST_F(PreferencesTest, ValuesOfTheWrongTypeFallBackToTheDefault) {
    storeRaw("refreshInterval", "fast");
    storeRaw("panelMaxHeight", QStringList{"1", "2"});
    storeRaw("confirmBeforeKill", "maybe");
    storeRaw("appLanguage", QVariantMap{{"a", 1}});
    EXPECT_EQ(prefs.refreshInterval(), 3.0);
    EXPECT_EQ(prefs.panelMaxHeight(), 480.0);
    EXPECT_TRUE(prefs.confirmBeforeKill());
    EXPECT_EQ(prefs.appLanguage(), "system");

    // A period of zero or less would make the panel refresh without pause.
    storeRaw("refreshInterval", 0);
    storeRaw("panelMaxHeight", "-20");
    EXPECT_EQ(prefs.refreshInterval(), 3.0);
    EXPECT_EQ(prefs.panelMaxHeight(), 480.0);
    storeRaw("refreshInterval", "nan");
    EXPECT_EQ(prefs.refreshInterval(), 3.0);

    storeRaw("refreshInterval", "10");
    storeRaw("confirmBeforeKill", "FALSE");
    EXPECT_EQ(prefs.refreshInterval(), 10.0);
    EXPECT_FALSE(prefs.confirmBeforeKill());
    storeRaw("confirmBeforeKill", 2);
    EXPECT_TRUE(prefs.confirmBeforeKill());
}

TEST_F(PreferencesTest, HandEditedIniFileWithAnUnquotedCommaListKeepsItsPorts) {
    prefs.setConfirmBeforeKill(true);
    const std::string location = Preferences::storeLocation().toStdString();
    std::ofstream(location, std::ios::trunc)
        << "[General]\nwatchedPorts=3000,,abc,5432\nhiddenPorts=80,x,+8080\n";
    EXPECT_EQ(prefs.watchedPorts(), (std::set<std::int64_t>{3000, 5432}));
    EXPECT_EQ(prefs.hiddenPortSet(), (std::set<std::int64_t>{80, 8080}));
}

TEST_F(PreferencesTest, EveryBoundViewSeesAChangeOnceAndOnlyWhenTheValueChanges) {
    std::vector<double> first, second;
    QObject::connect(&prefs, &Preferences::refreshIntervalChanged,
                     [&](double value) { first.push_back(value); });
    QObject::connect(&prefs, &Preferences::refreshIntervalChanged,
                     [&](double value) { second.push_back(value); });
    int watched = 0;
    QObject::connect(&prefs, &Preferences::watchedPortsChanged, [&] { ++watched; });

    prefs.setRefreshInterval(5);
    prefs.setRefreshInterval(5);
    prefs.setRefreshInterval(2);
    prefs.setWatchedPorts({3000});
    prefs.setWatchedPorts({3000});
    prefs.setWatchedPorts({});
    prefs.disconnect();

    EXPECT_EQ(first, (std::vector<double>{5, 2}));
    EXPECT_EQ(second, first);
    EXPECT_EQ(watched, 2);
}

TEST_F(PreferencesTest, BackgroundReadsSeeWholeValuesWhileTheMainThreadWrites) {
    const std::set<std::int64_t> a{3000, 5173, 8080}, b{5432};
    prefs.setWatchedPorts(a);
    std::atomic<bool> done{false};
    std::atomic<int> reads{0}, torn{0};
    std::thread sampler([&] {
        while (!done) {
            const auto ports = prefs.watchedPorts();
            if (ports != a && ports != b) ++torn;
            ++reads;
        }
    });
    for (int i = 0; i < 200; ++i)
        prefs.setWatchedPorts(i % 2 ? a : b);
    test::waitUntil([&] { return reads > 50; }, 10);
    done = true;
    sampler.join();
    EXPECT_EQ(torn, 0);
    EXPECT_GT(reads, 50);
}

TEST(PortList, ReadsOnlyWholeDecimalNumbers) {
    EXPECT_EQ(PortList::parse("3000,,abc,5432"), (std::set<std::int64_t>{3000, 5432}));
    EXPECT_EQ(PortList::parse(""), std::set<std::int64_t>{});
    EXPECT_EQ(PortList::parse(",,,"), std::set<std::int64_t>{});
    EXPECT_EQ(PortList::parse(" 3000,3000 ,30 00,0x50,3000.0"), std::set<std::int64_t>{});
    EXPECT_EQ(PortList::parse("+80,-1,99999999999999999999,9223372036854775807"),
              (std::set<std::int64_t>{-1, 80, 9223372036854775807}));
    EXPECT_EQ(PortList::parse("3000,3000,3000"), std::set<std::int64_t>{3000});
}

TEST(PortList, CountKeepsDuplicatesAndEncodeHasNoBlanks) {
    EXPECT_EQ(PortList::countNumbers("3000,3000,x,,5432"), 3u);
    EXPECT_EQ(PortList::countNumbers(""), 0u);
    EXPECT_EQ(PortList::encode({}), "");
    EXPECT_EQ(PortList::encode({5432, 80, 3000}), "80,3000,5432");
    EXPECT_EQ(PortList::parse(PortList::encode({1, 65535})), (std::set<std::int64_t>{1, 65535}));
}

class PortLabelsTest : public PreferencesTest {};

TEST_F(PortLabelsTest, LabelsAreTrimmedOfBlanksAndBlankLabelsRemoveThePort) {
    PortLabels::set(QString(" shop api\t"), 3000);
    PortLabels::set(QString("db"), 5432);
    EXPECT_EQ(PortLabels::all(), (std::map<QString, QString>{{"3000", "shop api"}, {"5432", "db"}}));
    PortLabels::set(QString(" \t  "), 3000);
    PortLabels::set(std::nullopt, 9999);
    EXPECT_EQ(PortLabels::all(), (std::map<QString, QString>{{"5432", "db"}}));
    PortLabels::set(std::nullopt, 5432);
    EXPECT_TRUE(PortLabels::all().empty());
    EXPECT_EQ(readRaw("portLabels").toString(), "{}");
}

TEST_F(PortLabelsTest, LineBreaksQuotesAndSlashesSurviveInCompactJson) {
    PortLabels::set(QString("\na/b \"q\" ü\n"), 8080);
    EXPECT_EQ(readRaw("portLabels").toString(), "{\"8080\":\"\\na\\/b \\\"q\\\" ü\\n\"}");
    EXPECT_EQ(PortLabels::all().at("8080"), "\na/b \"q\" ü\n");
}

TEST_F(PortLabelsTest, StoredTextThatIsNotAnObjectOfTextsReadsAsNoLabels) {
    for (const char* stored :
         {"not json", "[\"a\"]", "{\"3000\":1}", "{\"3000\":\"a\",\"80\":null}", "", "\"x\""}) {
        storeRaw("portLabels", stored);
        EXPECT_TRUE(PortLabels::all().empty()) << stored;
        EXPECT_EQ(readRaw("portLabels").toString(), stored) << "reading leaves the value alone";
    }
    storeRaw("portLabels", "{broken");
    PortLabels::set(QString("web"), 3000);
    EXPECT_EQ(readRaw("portLabels").toString(), "{\"3000\":\"web\"}");
}

TEST_F(PortLabelsTest, AnyObjectOfTextsIsAccepted) {
    storeRaw("portLabels", "{ \"3000\" : \"web\", \"note\": \"kept\" }");
    EXPECT_EQ(PortLabels::all(), (std::map<QString, QString>{{"3000", "web"}, {"note", "kept"}}));
}

} // namespace moorix
