// The panel's logic against a fake world, without widgets: work runs at once on the calling thread.
#include "app/panel/panel_model.h"
#include "app/services/preferences.h"
#include "tests/support/fake_panel_world.h"
#include "tests/support/qt_application.h"

#include <gtest/gtest.h>

#include <memory>

namespace moorix {

using test::entryOn;

namespace {

std::vector<std::int64_t> portsOf(const std::vector<PortEntry>& entries) {
    std::vector<std::int64_t> ports;
    for (const auto& entry : entries) ports.push_back(entry.port);
    return ports;
}

PortEvent opened(const PortEntry& entry, Instant at) {
    PortEvent event;
    event.at = at;
    event.port = entry.port;
    event.pid = entry.pid;
    event.command = entry.command;
    return event;
}

} // namespace

class PanelModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::ensureQtApplication();
        Preferences& preferences = Preferences::shared();
        preferences.setHiddenPorts({});
        preferences.setConfirmBeforeKill(true);
        preferences.setRefreshInterval(3);
        preferences.setPanelMaxHeight(480);
    }
    PanelModel& open() {
        m_model = std::make_unique<PanelModel>(m_world.backend(), Executor::immediate(), Preferences::shared());
        m_model->setShown(true);
        return *m_model;
    }

    test::FakePanelWorld m_world;
    std::unique_ptr<PanelModel> m_model;
};

TEST_F(PanelModelTest, HiddenPortsExposedFilterAndSearchOverItsFiveTexts) {
    auto docker = entryOn(30, 7, "com.docker.backend", "*");
    docker.project.reset();
    auto labelled = entryOn(8080, 8, "python3");
    labelled.parentChain = {};
    labelled.project.reset();
    m_world.listing = {{entryOn(3000, 1), docker, entryOn(5432, 3, "postgres"), labelled, entryOn(13000, 9, "ruby")}};
    m_world.labels = {{"8080", "Payments API"}};
    m_world.containers = {{30, "redis-cache"}};
    Preferences::shared().setHiddenPorts("3000,abc,,5432");
    PanelModel& model = open();

    EXPECT_EQ(model.hiddenPorts(), (std::set<std::int64_t>{3000, 5432}));
    EXPECT_EQ(portsOf(model.filtered()), (std::vector<std::int64_t>{30, 8080, 13000}));
    Preferences::shared().setHiddenPorts({});

    const auto search = [&](const char* text) {
        model.setSearchText(QString::fromUtf8(text));
        return portsOf(model.filtered());
    };
    EXPECT_EQ(search("300"), (std::vector<std::int64_t>{3000, 13000})) << "the port is searched as text";
    EXPECT_EQ(search("Node"), (std::vector<std::int64_t>{3000})) << "both sides lowercased";
    EXPECT_EQ(search("zsh"), (std::vector<std::int64_t>{3000, 30, 5432, 13000})) << "the owner";
    EXPECT_EQ(search("SHOP"), (std::vector<std::int64_t>{3000, 5432, 13000})) << "the project";
    EXPECT_EQ(search("payments"), (std::vector<std::int64_t>{8080})) << "the label";
    EXPECT_EQ(search("redis"), (std::vector<std::int64_t>{})) << "container names are not searched";
    EXPECT_EQ(model.emptyStateText(), "No ports match your search");
    EXPECT_EQ(model.devPortCount(), 3) << "counts ignore the search";

    search("");
    model.toggleExposedOnly();
    EXPECT_EQ(portsOf(model.filtered()), (std::vector<std::int64_t>{30}));
    EXPECT_EQ(portsOf(model.devPorts()), (std::vector<std::int64_t>{}));
    EXPECT_EQ(portsOf(model.otherPorts()), (std::vector<std::int64_t>{30}));
}

TEST_F(PanelModelTest, ListHeightShowsWholeRowsWithinTheLimit) {
    std::vector<PortEntry> entries;
    for (int i = 0; i < 5; ++i) entries.push_back(entryOn(3000 + i, 100 + i));
    for (int i = 0; i < 5; ++i) entries.push_back(entryOn(20000 + i, 200 + i));
    m_world.listing = entries;
    PanelModel& model = open();
    EXPECT_EQ(model.listHeight(), 440) << "10 rows, two sections, limit 480: 7 rows";

    m_world.listing = std::vector<PortEntry>(entries.begin(), entries.begin() + 3);
    model.refresh();
    EXPECT_EQ(model.listHeight(), 202);
    Preferences::shared().setPanelMaxHeight(60);
    EXPECT_EQ(model.listHeight(), 98) << "never fewer than one row";
}

TEST_F(PanelModelTest, RefreshStoresTheListingCountsAndInsightsAndKeepsItWhenAListingFails) {
    PanelModel& model = open();
    EXPECT_TRUE(model.loaded());
    EXPECT_EQ(model.countsText(), "") << "nothing listens";
    EXPECT_EQ(model.emptyStateText(), "No listening ports");

    auto orphan = entryOn(4000, 40);
    auto stale = entryOn(5000, 50, "ruby", "0.0.0.0");
    m_world.table = {{40, {1, "node"}}, {50, {49, "ruby"}}};
    m_world.events = {opened(stale, m_world.now - std::chrono::seconds(86'401))};
    m_world.listing = {{entryOn(22, 5, "sshd", "0.0.0.0", "root"), entryOn(3000, 30, "node", "*"), orphan, stale,
                        entryOn(60000, 6, "cupsd", "127.0.0.1", "root")}};
    m_world.stats = {{30, {12.4, 340}}};
    model.refresh();
    EXPECT_EQ(m_world.devCount, 3);
    EXPECT_EQ(model.countsText(), "3 dev \u00B7 2 other");
    EXPECT_EQ(model.exposedCount(), 3);
    EXPECT_EQ(portsOf(model.reclaimable()), (std::vector<std::int64_t>{4000, 5000})) << "orphans, then stale";
    EXPECT_EQ(model.insightText(), "Orphaned servers: 1") << "orphans are told before stale servers";
    EXPECT_EQ(model.rowState(model.entries()[1]).statsText, "%12 \u00B7 340 MB");

    m_world.listing.reset();
    model.refresh();
    EXPECT_EQ(model.entries().size(), 5u) << "a failed listing is not an empty machine";
    EXPECT_EQ(m_world.devCount, 3);

    m_world.listing = {{stale}};
    m_world.table = {{50, {49, "ruby"}}};
    model.refresh();
    EXPECT_EQ(model.insightText(), "Stale servers: 1");
    m_world.actions.clear();
    const int listingsBefore = m_world.listings;
    m_world.listing = {{orphan, stale}};
    m_world.table = {{40, {1, "node"}}, {50, {49, "ruby"}}};
    model.refresh();
    model.reclaimAll();
    EXPECT_EQ(m_world.actions, (std::vector<std::string>{"tree 40", "tree 50"}));
    EXPECT_EQ(m_world.listings, listingsBefore + 2) << "one refresh after the last stop";
    EXPECT_FALSE(model.reclaiming());
}

TEST_F(PanelModelTest, ProbesDevelopmentPortsAndWaitsThirtySecondsForOnesThatDidNotAnswer) {
    m_world.listing = {{entryOn(3000, 1), entryOn(4000, 2), entryOn(4000, 3), entryOn(443, 4)}};
    m_world.answering = {3000};
    PanelModel& model = open();
    EXPECT_EQ(m_world.probes, (std::vector<std::int64_t>{3000, 4000})) << "dev ports only, each once";
    EXPECT_EQ(model.rowState(model.entries()[0]).healthy, true);
    EXPECT_EQ(model.rowState(model.entries()[1]).healthy, false);
    EXPECT_EQ(model.rowState(model.entries()[3]).healthy, std::nullopt);

    m_world.probes.clear();
    m_world.monotonic += 10;
    model.refresh();
    EXPECT_EQ(m_world.probes, (std::vector<std::int64_t>{3000})) << "silent for 10 s: not yet";
    m_world.monotonic += 20;
    model.refresh();
    EXPECT_EQ(m_world.probes, (std::vector<std::int64_t>{3000, 3000, 4000}));
}

TEST_F(PanelModelTest, LoopsRunWhileShownAndANewIntervalRefreshesAtOnce) {
    PanelModel& model = open();
    EXPECT_EQ(m_world.listings, 1) << "opening refreshes at once";
    EXPECT_EQ(model.refreshPeriod(), std::chrono::milliseconds(3000));

    m_world.listing = {{entryOn(3000, 1)}};
    m_world.stats = {{1, {1, 10}}};
    model.refresh();
    m_world.listing = std::vector<PortEntry>{};
    model.refresh();
    const int queries = m_world.statsQueries;
    m_world.stats = {{1, {50, 99}}};
    model.liveStatsTick();
    EXPECT_EQ(m_world.statsQueries, queries) << "no entries, no stats query";

    Preferences::shared().setRefreshInterval(10);
    EXPECT_EQ(m_world.listings, 4);
    EXPECT_EQ(model.refreshPeriod(), std::chrono::milliseconds(10000));
    model.setShown(false);
    EXPECT_EQ(model.refreshPeriod(), std::chrono::milliseconds(0));
    Preferences::shared().setRefreshInterval(5);
    EXPECT_EQ(m_world.listings, 4) << "closed: no loop to restart";
}

} // namespace moorix
