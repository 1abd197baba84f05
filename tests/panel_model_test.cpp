// The panel's logic against a fake world, without widgets: work runs at once on the calling thread.
#include "app/panel/panel_model.h"
#include "app/services/preferences.h"
#include "tests/support/fake_panel_world.h"
#include "tests/support/qt_application.h"

#include <gtest/gtest.h>

#include <algorithm>
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
}

// However many rows there are, the list keeps within the height the user chose, yet shows at least one row.
TEST_F(PanelModelTest, ListKeepsWithinTheHeightLimit) {
    std::vector<PortEntry> entries;
    for (int i = 0; i < 30; ++i) entries.push_back(entryOn(3000 + i, 100 + i));
    m_world.listing = entries;
    PanelModel& model = open();
    for (const double limit : {480.0, 301.0}) {
        Preferences::shared().setPanelMaxHeight(limit);
        EXPECT_LE(model.listHeight(), limit);
    }
    EXPECT_LE(model.listHeight(model.sections(), 250), 250) << "room for 250 beside the icon";
    Preferences::shared().setPanelMaxHeight(1);
    EXPECT_GT(model.listHeight(), 1);
}

TEST_F(PanelModelTest, RefreshStoresTheListingCountsAndInsightsAndKeepsItWhenAListingFails) {
    PanelModel& model = open();
    EXPECT_TRUE(model.loaded());
    EXPECT_EQ(model.countsText(), "") << "nothing listens";
    EXPECT_EQ(model.emptyStateText(), "No listening ports");

    const auto orphan = entryOn(4000, 40);
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
}

// Work as the application runs it: queued, background work in any order, results on the main thread in
// the order posted. A stopped process leaves the listing, as it would.
TEST_F(PanelModelTest, StopsRunOnlyOnTheProcessConfirmedAndTheListIsTakenAgainAfterThem) {
    std::vector<Executor::Task> background, main;
    const auto drain = [&] {
        while (!background.empty() || !main.empty()) {
            if (!background.empty()) {
                auto task = std::move(background.back()); // the newest first
                background.pop_back();
                task();
            } else {
                auto task = std::move(main.front());
                main.erase(main.begin());
                task();
            }
        }
    };
    const auto post = [](std::vector<Executor::Task>& queue) {
        return [&queue](Executor::Task task) { queue.push_back(std::move(task)); };
    };
    PanelBackend backend = m_world.backend();
    backend.killTree = [this, record = backend.killTree](std::int32_t pid) {
        record(pid);
        std::erase_if(*m_world.listing, [&](const PortEntry& entry) { return entry.pid == pid; });
    };
    const auto a = entryOn(4000, 40), b = entryOn(4100, 41), c = entryOn(4200, 42);
    m_world.listing = {{a, b, c}};
    m_world.table = {{40, {1, "node"}}, {41, {1, "node"}}};
    m_world.startTimes = {{40, 100}, {41, 200}, {42, 300}};
    PanelModel model(backend, {post(background), post(background), post(main)}, Preferences::shared());
    model.setShown(true);
    drain();
    ASSERT_EQ(portsOf(model.reclaimable()), (std::vector<std::int64_t>{4000, 4100}));

    m_world.startTimes[41] = 999; // that orphan ended and its pid went to another process
    model.reclaimAll();
    drain();
    EXPECT_EQ(m_world.actions, (std::vector<std::string>{"tree 40"}));
    EXPECT_EQ(portsOf(model.entries()), (std::vector<std::int64_t>{4100, 4200})) << "listed after the stops";
    EXPECT_FALSE(model.reclaiming());

    model.request(c, false, false, false);
    model.select(b.id());
    EXPECT_TRUE(model.handleReturn()) << "asks about the selected row";
    drain();
    EXPECT_EQ(m_world.actions.size(), 1u) << "the row waiting elsewhere is not stopped";
    EXPECT_TRUE(model.rowState(b).confirming);

    m_world.listing.reset();
    model.handleReturn();
    drain();
    EXPECT_EQ(m_world.actions.back(), "kill 41");
    EXPECT_EQ(model.entries().size(), 2u) << "a listing that failed after a stop keeps the rows";
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
    const int queries = m_world.statsQueries;
    model.liveStatsTick();
    EXPECT_EQ(m_world.statsQueries, queries) << "no rows, no stats query";

    Preferences::shared().setRefreshInterval(10);
    EXPECT_EQ(m_world.listings, 2);
    EXPECT_EQ(model.refreshPeriod(), std::chrono::milliseconds(10000));
    model.setShown(false);
    EXPECT_EQ(model.refreshPeriod(), std::chrono::milliseconds(0));
    Preferences::shared().setRefreshInterval(5);
    EXPECT_EQ(m_world.listings, 2) << "closed: no loop to restart";
}


TEST_F(PanelModelTest, EveryStopIsAskedForConfirmedAndPerformedOnce) {
    auto a = entryOn(3000, 30), b = entryOn(4000, 40);
    auto root = entryOn(5000, 50, "node", "127.0.0.1", "root");
    auto proxy = entryOn(5432, 60, "docker-proxy");
    m_world.listing = {{a, b, root, proxy}};
    m_world.containers = {{5432, "db"}};
    PanelModel& model = open();
    model.request(a, false, false, false);
    model.request(b, false, false, false);
    EXPECT_FALSE(model.rowState(a).confirming) << "the confirmation moves to the newer request";

    struct Stop {
        PortEntry entry;
        bool tree, force, restart;
        const char* question;
        const char* action;
    };
    for (const auto& [entry, tree, force, restart, question, action] : std::vector<Stop>{
             {b, false, false, false, "Stop this process?", "kill 40"},
             {a, true, false, true, "Restart the process tree?", "restart 30"},
             {a, true, false, false, "Stop the whole process tree?", "tree 30"},
             {a, false, true, false, "Force stop? Unsaved work will be lost.", "force 30"},
             {proxy, false, true, false, "Stop the container db?", "docker stop db"}}) {
        model.request(entry, tree, force, restart);
        EXPECT_EQ(model.rowState(entry).secondLine, question);
        model.confirmPending();
        EXPECT_EQ(m_world.actions.back(), action) << "a container by name; its proxy gets no signal";
        EXPECT_FALSE(model.pendingKill());
    }

    Preferences::shared().setConfirmBeforeKill(false);
    model.request(b, true, false, false);
    EXPECT_EQ(m_world.actions.back(), "tree 40") << "without confirmation it runs at once";
    model.request(root, false, false, false);
    EXPECT_EQ(model.rowState(root).secondLine, "This is a system process. Stop it anyway?") << "always asked";
    EXPECT_EQ(m_world.actions.size(), 6u) << "each stop once";
}

TEST_F(PanelModelTest, ArrowsReturnAndEscapeBackOutOneLevelAtATime) {
    auto dev = entryOn(3000, 30), other = entryOn(80, 8), second = entryOn(4000, 40);
    m_world.listing = {{other, dev, second}};
    PanelModel& model = open();
    model.moveSelection(-1);
    EXPECT_EQ(model.selection(), other.id()) << "up from nothing: the last shown row";
    model.moveSelection(1);
    EXPECT_EQ(model.selection(), other.id()) << "no wrap past the end";
    model.moveSelection(-1);
    model.moveSelection(-1);
    model.moveSelection(-1);
    EXPECT_EQ(model.selection(), dev.id()) << "development rows are shown first";

    model.request(dev, false, false, false);
    model.toggleSearch();
    model.setSearchText("40");
    EXPECT_FALSE(model.handleReturn()) << "the selected row is hidden by the search";
    model.startLabelEdit(3000);
    model.setLabelDraft("api");
    EXPECT_FALSE(model.handleReturn()) << "the label field takes the key";
    EXPECT_TRUE(m_world.actions.empty());

    EXPECT_TRUE(model.handleEscape());
    EXPECT_FALSE(model.editingLabelPort());
    EXPECT_TRUE(m_world.labels.empty()) << "an abandoned edit stores nothing";
    EXPECT_TRUE(model.pendingKill());
    EXPECT_TRUE(model.handleEscape());
    EXPECT_FALSE(model.pendingKill());
    EXPECT_TRUE(model.handleEscape());
    EXPECT_EQ(model.searchText(), "");
    EXPECT_TRUE(model.showSearch());
    EXPECT_TRUE(model.handleEscape());
    EXPECT_FALSE(model.showSearch());
    EXPECT_TRUE(model.handleEscape());
    EXPECT_FALSE(model.selection());
    EXPECT_FALSE(model.handleEscape()) << "nothing left: the key passes on";
}

// The menu's full text is checked by the widget test; here, what depends on the entry and where actions go.
TEST_F(PanelModelTest, RowMenuFollowsTheEntryAndItsActionsReachTheirTargets) {
    auto web = entryOn(3000, 4242), bare = entryOn(8080, 77), proxy = entryOn(5432, 60, "docker-proxy");
    bare.cwd.reset();
    bare.project.reset();
    m_world.listing = {{web, bare, proxy}};
    m_world.containers = {{5432, "db"}};
    PanelModel& model = open();
    using A = RowAction;
    const auto offers = [&](const PortEntry& entry, A action) {
        const auto items = model.menuItems(entry);
        return std::ranges::any_of(items, [&](const auto& item) { return item.action == action; });
    };
    EXPECT_TRUE(offers(web, A::openInEditor) && offers(web, A::copyPath) && offers(web, A::killTree));
    EXPECT_FALSE(offers(bare, A::openInEditor) || offers(bare, A::copyPath)) << "no folder";
    EXPECT_FALSE(offers(proxy, A::killTree) || offers(proxy, A::forceKill)) << "a container stops by name";

    const std::vector<std::pair<A, QString>> copies{{A::copyUrl, "http://localhost:3000"},
                                                    {A::copyPort, "3000"},
                                                    {A::copyPid, "4242"},
                                                    {A::copyKill, "kill 4242"},
                                                    {A::copyPath, "/home/dev/shop"}};
    for (const auto& [action, text] : copies) {
        model.trigger(action, web);
        EXPECT_EQ(m_world.clipboard, text);
    }
    model.trigger(A::openInEditor, web);
    model.openPort(bare);
    EXPECT_EQ(m_world.opened, (std::vector<QString>{"/home/dev/shop", "http://localhost:8080"}));
    EXPECT_EQ(model.selection(), bare.id());

    model.trigger(A::toggleWatch, web);
    EXPECT_EQ(m_world.watched, (std::set<std::int64_t>{3000}));
    EXPECT_TRUE(model.rowState(web).watched);
    model.trigger(A::toggleWatch, web);
    EXPECT_TRUE(m_world.watched.empty());

    model.trigger(A::hide, bare);
    model.trigger(A::hide, bare);
    EXPECT_EQ(Preferences::shared().hiddenPorts(), "8080") << "hidden once";
    EXPECT_EQ(portsOf(model.filtered()), (std::vector<std::int64_t>{3000, 5432}));

    model.trigger(A::history, web);
    EXPECT_TRUE(model.showHistory());
    EXPECT_EQ(model.historyPort(), 3000);
}

TEST_F(PanelModelTest, ANewLabelEditDropsTheFirstAndACommitStoresItsDraft) {
    m_world.listing = {{entryOn(3000, 4242), entryOn(5432, 60)}};
    PanelModel& model = open();
    model.startLabelEdit(3000);
    model.setLabelDraft("checkout");
    model.startLabelEdit(5432);
    EXPECT_EQ(model.labelDraft(), "");
    model.setLabelDraft("postgres");
    model.commitLabelEdit(5432);
    EXPECT_EQ(m_world.labels, (std::map<QString, QString>{{"5432", "postgres"}}));
}

TEST_F(PanelModelTest, AConfirmedStopNeverSignalsAPidThatNowNamesAnotherProcess) {
    auto server = entryOn(3000, 4242);
    m_world.listing = {{server}};
    m_world.startTimes = {{4242, 100}};
    PanelModel& model = open();
    model.request(server, false, false, false);
    m_world.listing = std::vector<PortEntry>{};
    model.refresh();
    EXPECT_TRUE(model.pendingKill()) << "a request outlives its entry";

    m_world.startTimes = {{4242, 900}}; // the server ended and its pid went to another process
    const int listings = m_world.listings;
    model.confirmPending();
    EXPECT_TRUE(m_world.actions.empty());
    EXPECT_EQ(m_world.listings, listings + 1) << "the list is taken again all the same";
}

} // namespace moorix
