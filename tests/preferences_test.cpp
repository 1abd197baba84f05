// The preferences store and the values kept in it: port lists and port labels.
#include "app/services/port_labels.h"
#include "app/services/preferences.h"
#include "core/text/port_list.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QStringList>

namespace moorix {

namespace {

struct PreferencesTest : ::testing::Test {
    QSettings rawStore() const { return QSettings(prefs.location(), QSettings::IniFormat); }

    test::TempDir dir;
    Preferences prefs{QString::fromStdString(dir.file("moorix.conf"))};
};

} // namespace

TEST_F(PreferencesTest, DefaultsStayUnwrittenChangesAreStoredAtOnceAndSignalledOnce) {
    EXPECT_TRUE(prefs.refreshInterval() == 3 && prefs.panelMaxHeight() == 480 && prefs.confirmBeforeKill());
    EXPECT_TRUE(prefs.appLanguage() == "system" && !prefs.portLabelsText() && prefs.hiddenPorts().isEmpty());
    EXPECT_EQ(rawStore().allKeys(), QStringList{});
    std::vector<double> intervals;
    QObject::connect(&prefs, &Preferences::refreshIntervalChanged,
                     [&](double value) { intervals.push_back(value); });
    for (const double value : {5, 5, 2}) prefs.setRefreshInterval(value);
    prefs.setConfirmBeforeKill(false);
    prefs.setHiddenPortSet({8080, 3000});
    EXPECT_EQ(rawStore().value("hiddenPorts"), "3000,8080") << "at once";
    EXPECT_EQ(intervals, (std::vector<double>{5, 2}));
    EXPECT_TRUE(prefs.refreshInterval() == 2 && !prefs.confirmBeforeKill());
    EXPECT_TRUE(Preferences().location().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME") + "/"));
    // Port lists keep only whole decimal numbers.
    EXPECT_EQ(PortList::parse("3000,, 8080,abc,+80,-1,99999999999999999999,0x50,30 00,5.0,3000"),
              (std::set<std::int64_t>{-1, 80, 3000}));
    EXPECT_EQ(PortList::countNumbers("3000,3000,x,,5432"), 3u);
}

TEST_F(PreferencesTest, ValuesOfTheWrongTypeFallBackToTheDefault) {
    for (const QVariant& bad : {QVariant("fast"), QVariant(QStringList{"1", "2"}), QVariant(0),
                                QVariant("-20"), QVariant("nan"), QVariant(QVariantMap{{"a", 1}})}) {
        rawStore().setValue("refreshInterval", bad);
        EXPECT_EQ(prefs.refreshInterval(), 3.0) << bad.toString().toStdString();
    }
    for (const QVariant& bad : {QVariant("maybe"), QVariant(2), QVariant(QStringList{"1", "2"})}) {
        rawStore().setValue("confirmBeforeKill", bad);
        EXPECT_TRUE(prefs.confirmBeforeKill()) << bad.toString().toStdString();
    }
    rawStore().setValue("panelMaxHeight", "600.5");
    rawStore().setValue("confirmBeforeKill", "FALSE");
    EXPECT_TRUE(prefs.panelMaxHeight() == 600.5 && !prefs.confirmBeforeKill()) << "as an INI file keeps them";
}

TEST_F(PreferencesTest, PortLabelsAreTrimmedKeptAsCompactJsonAndAnythingElseReadsAsNoLabels) {
    for (const auto& [label, port] : {std::pair(" shop \"api\"\t", 3000), std::pair("\na/b ü\n", 5432),
                                      std::pair("x", 80), std::pair(" \t  ", 80)})
        PortLabels::set(prefs, QString(label), port);
    EXPECT_EQ(rawStore().value("portLabels"), "{\"3000\":\"shop \\\"api\\\"\",\"5432\":\"\\na\\/b ü\\n\"}");
    EXPECT_EQ(PortLabels::all(prefs),
              (std::map<QString, QString>{{"3000", "shop \"api\""}, {"5432", "\na/b ü\n"}}));
    rawStore().setValue("portLabels", "not json");
    EXPECT_TRUE(PortLabels::all(prefs).empty());
}

} // namespace moorix
