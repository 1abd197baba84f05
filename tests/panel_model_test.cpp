// The panel's logic against a fake world, without widgets: work runs at once on the calling thread.
#include "app/panel/panel_model.h"
#include "app/services/preferences.h"
#include "tests/support/fake_panel_world.h"
#include "tests/support/qt_application.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <tuple>

namespace moorix {

using namespace std::chrono_literals;
using test::entryOn;

class PanelModelTest : public ::testing::Test {
protected:
    void SetUp() override { test::ensureQtApplication(); }
    PanelModel& open() {
        m_model = std::make_unique<PanelModel>(m_world.backend(), Executor::immediate(), m_world.preferences);
        m_model->setShown(true);
        return *m_model;
    }
    static std::vector<std::int64_t> portsOf(const std::vector<PortEntry>& entries) {
        std::vector<std::int64_t> ports;
        for (const auto& entry : entries) ports.push_back(entry.port);
        return ports;
    }

    test::FakePanelWorld m_world;
    std::unique_ptr<PanelModel> m_model;
};

TEST_F(PanelModelTest, HiddenPortsExposedFilterAndSearchOverItsFiveTexts) {
    const PortEntry docker{30, "*", 7, "com.docker.backend", "dev", {"npm", "zsh"}, 6, "/home/dev/shop", {}},
        labelled{8080, "127.0.0.1", 8, "python3", "dev", {}, 7, "/home/dev/shop", {}};
    m_world.listing = {
        {entryOn(3000, 1), docker, entryOn(5432, 3, "postgres"), labelled, entryOn(13000, 9, "ruby")}};
    m_world.labels = {{"8080", "Payments API"}};
    m_world.containers = {{30, "redis-cache"}};
    m_world.preferences.setHiddenPorts("3000,abc,,5432");
    PanelModel& model = open();

    EXPECT_EQ(portsOf(model.filtered()), (std::vector<std::int64_t>{30, 8080, 13000}));
    m_world.preferences.setHiddenPorts({});

    // The port as text, the command and owner lowercased, the project, the label; not the container.
    for (const auto& [text, ports] :
         std::vector<std::pair<QString, std::vector<std::int64_t>>>{{"300", {3000, 13000}},
                                                                    {"Node", {3000}},
                                                                    {"zsh", {3000, 30, 5432, 13000}},
                                                                    {"SHOP", {3000, 5432, 13000}},
                                                                    {"payments", {8080}},
                                                                    {"redis", {}}}) {
        model.setSearchText(text);
        EXPECT_EQ(portsOf(model.filtered()), ports) << text.toStdString();
    }
    EXPECT_EQ(model.emptyStateText(), "No ports match your search");
    EXPECT_EQ(model.devPortCount(), 3) << "counts ignore the search";
}

TEST_F(PanelModelTest, RefreshStoresTheListingKeepsItWhenAListingFailsAndLoopsOnlyWhileShown) {
    PanelModel& model = open();
    EXPECT_TRUE(model.loaded());
    EXPECT_EQ(model.countsText(), "") << "nothing listens";
    EXPECT_EQ(model.emptyStateText(), "No listening ports");

    auto stale = entryOn(5000, 50, "ruby", "0.0.0.0");
    m_world.table = {{40, {1, "node"}}, {50, {49, "ruby"}}};
    m_world.events = {{m_world.now - 25h, EventAction::Opened, 5000, 50, "ruby", {}, {}, {}, {}, {}, {}, {}}};
    m_world.listing = {{entryOn(22, 5, "sshd", "0.0.0.0", "root"), entryOn(3000, 30, "node", "*"),
                        entryOn(4000, 40), entryOn(3000, 31), stale,
                        entryOn(60000, 6, "cupsd", "127.0.0.1", "root")}};
    m_world.stats = {{30, {12.4, 340}}};
    m_world.answering = {3000};
    model.refresh();
    EXPECT_EQ(m_world.devCount, 4);
    EXPECT_EQ(model.countsText(), "4 dev \u00B7 2 other");
    EXPECT_EQ(model.exposedCount(), 3);
    EXPECT_EQ(portsOf(model.reclaimable()), (std::vector<std::int64_t>{4000, 5000})) << "orphans, then stale";
    EXPECT_EQ(model.insightText(), "Orphaned servers: 1") << "orphans are told before stale servers";
    EXPECT_EQ(model.rowState(model.entries()[1]).statsText, "%12 \u00B7 340 MB");
    EXPECT_EQ(m_world.probes, (std::vector<std::int64_t>{3000, 4000, 5000})) << "dev ports only, each once";
    std::vector<std::optional<bool>> health;
    for (const auto& entry : model.entries()) health.push_back(model.rowState(entry).healthy);
    EXPECT_EQ(health,
              (std::vector<std::optional<bool>>{std::nullopt, true, false, true, false, std::nullopt}));

    m_world.listing.reset();
    model.refresh();
    EXPECT_EQ(model.entries().size(), 6u) << "a failed listing is not an empty machine";
    EXPECT_EQ(m_world.devCount, 4);

    m_world.listing = {{stale}};
    model.refresh();
    EXPECT_EQ(model.insightText(), "Stale servers: 1");

    // A new interval refreshes at once; a closed panel runs no loop.
    const int listings = m_world.listings;
    m_world.preferences.setRefreshInterval(10);
    EXPECT_EQ(model.refreshPeriod(), std::chrono::milliseconds(10000));
    model.setShown(false);
    EXPECT_EQ(model.refreshPeriod(), std::chrono::milliseconds(0));
    m_world.preferences.setRefreshInterval(5);
    EXPECT_EQ(m_world.listings, listings + 1);
}

// Work as the application runs it: queued, background work in any order, results on the main thread in
// the order posted.
TEST_F(PanelModelTest, StopsRunOnlyOnTheProcessConfirmedAndTheListIsTakenAgainAfterThem) {
    std::deque<Executor::Task> background, main;
    const auto drain = [&] {
        while (!background.empty() || !main.empty()) {
            const bool inBackground = !background.empty();
            auto task = std::move(inBackground ? background.back() : main.front()); // the newest first
            inBackground ? background.pop_back() : main.pop_front();
            task();
        }
    };
    const auto post = [](std::deque<Executor::Task>& queue) {
        return [&queue](Executor::Task task) { queue.push_back(std::move(task)); };
    };
    const auto a = entryOn(4000, 40), b = entryOn(4100, 41), c = entryOn(4200, 42);
    m_world.listing = {{a, b, c}};
    m_world.table = {{40, {1, "node"}}, {41, {1, "node"}}};
    m_world.startTimes = {{40, 100}, {41, 200}, {42, 300}};
    PanelModel model(m_world.backend(), {post(background), post(background), post(main)},
                     m_world.preferences);
    model.setShown(true);
    drain();
    ASSERT_EQ(portsOf(model.reclaimable()), (std::vector<std::int64_t>{4000, 4100}));

    m_world.startTimes[41] = 999; // that orphan ended and its pid went to another process
    model.reclaimAll();
    drain();
    EXPECT_EQ(m_world.actions, (std::vector<std::string>{"tree 40"}));
    EXPECT_EQ(portsOf(model.entries()), (std::vector<std::int64_t>{4100, 4200})) << "listed after the stops";
    EXPECT_FALSE(model.reclaiming());

    model.request(c, StopAction::Stop);
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

    model.request(c, StopAction::Stop);
    m_world.listing = std::vector<PortEntry>{};
    model.refresh();
    drain();
    EXPECT_TRUE(model.pendingKill()) << "a request outlives its entry";
    m_world.startTimes[42] = 999; // c ended as well, and its pid names another process now
    const int listings = m_world.listings;
    model.confirmPending();
    drain();
    EXPECT_EQ(m_world.actions.size(), 2u);
    EXPECT_EQ(m_world.listings, listings + 1) << "the list is taken again all the same";
}

TEST_F(PanelModelTest, EveryStopIsAskedForConfirmedAndPerformedOnce) {
    const auto a = entryOn(3000, 30), b = entryOn(4000, 40), proxy = entryOn(5432, 60, "docker-proxy");
    const auto root = entryOn(5000, 50, "node", "127.0.0.1", "root");
    m_world.listing = {{a, b, root, proxy}};
    m_world.containers = {{5432, "db"}};
    PanelModel& model = open();
    model.request(a, StopAction::Stop);
    model.request(b, StopAction::Stop);
    EXPECT_FALSE(model.rowState(a).confirming) << "the confirmation moves to the newer request";

    using Stop = std::tuple<PortEntry, StopAction, const char*, const char*>;
    for (const auto& [entry, stop, question, action] :
         std::vector<Stop>{{b, StopAction::Stop, "Stop this process?", "kill 40"},
                           {a, StopAction::RestartTree, "Restart the process tree?", "restart 30"},
                           {a, StopAction::StopTree, "Stop the whole process tree?", "tree 30"},
                           {a, StopAction::ForceStop, "Force stop? Unsaved work will be lost.", "force 30"},
                           {proxy, StopAction::ForceStop, "Stop the container db?", "docker stop db"}}) {
        model.request(entry, stop);
        EXPECT_EQ(model.rowState(entry).secondLine, question);
        model.confirmPending();
        EXPECT_EQ(m_world.actions.back(), action) << "a container by name; its proxy gets no signal";
        EXPECT_FALSE(model.pendingKill());
    }

    m_world.preferences.setConfirmBeforeKill(false);
    model.request(b, StopAction::StopTree);
    EXPECT_EQ(m_world.actions.back(), "tree 40") << "without confirmation it runs at once";
    model.request(root, StopAction::Stop);
    EXPECT_EQ(model.rowState(root).secondLine, "This is a system process. Stop it anyway?") << "always asked";
    EXPECT_EQ(m_world.actions.size(), 6u) << "each stop once";
}

// Every action that changes what the panel shows tells the views at once, with the parts it touched;
// none waits for the next refresh to be seen.
TEST_F(PanelModelTest, EveryActionThatChangesWhatIsShownRedrawsAtOnce) {
    const auto web = entryOn(3000, 30, "node", "*"), orphan = entryOn(4000, 40), db = entryOn(5432, 50);
    m_world.listing = {{web, orphan, db}};
    m_world.table = {{30, {29, "npm"}}, {40, {1, "node"}}};
    PanelModel& model = open();
    ASSERT_EQ(m_world.devCount, 3);
    ASSERT_EQ(model.insightText(), "Orphaned servers: 1");

    using P = PanelModel;
    const std::vector<std::tuple<const char*, std::function<void()>, unsigned>> actions{
        {"select", [&] { model.moveSelection(1); }, P::Rows},
        {"watch", [&] { model.toggleWatch(3000); }, P::Rows},
        {"edit a label", [&] { model.startLabelEdit(3000); }, P::Rows},
        {"label", [&] { model.setLabelDraft("api"), model.commitLabelEdit(3000); }, P::List | P::Rows},
        {"open the search", [&] { model.toggleSearch(); }, P::Search | P::Header},
        {"search", [&] { model.setSearchText("api"); }, P::Search | P::List},
        {"clear the search", [&] { model.handleEscape(); }, P::Search | P::List},
        {"exposed only", [&] { model.toggleExposedOnly(), model.toggleExposedOnly(); }, P::List | P::Strip},
        {"hide", [&] { model.hidePort(5432); }, P::List},
        {"history", [&] { model.history().toggle(), model.history().toggle(); }, P::History | P::Header},
        {"ask to stop", [&] { model.request(orphan, StopAction::Stop); }, P::Rows},
        {"stop", [&] { model.confirmPending(); }, P::List | P::Rows | P::Strip | P::Header},
    };
    for (const auto& [name, act, needed] : actions) {
        QSignalSpy spy(&model, &PanelModel::changed);
        act();
        unsigned told = 0;
        for (const auto& signal : spy) told |= signal.at(0).toUInt();
        EXPECT_EQ(told & needed, needed) << name;
    }
    EXPECT_EQ(portsOf(model.filtered()), (std::vector<std::int64_t>{3000}));
    EXPECT_EQ(m_world.devCount, 2) << "the tray count follows a stop";
    EXPECT_EQ(model.insightText(), "") << "so does the alert strip";
}

TEST_F(PanelModelTest, ArrowsReturnAndEscapeBackOutOneLevelAtATime) {
    auto dev = entryOn(3000, 30), other = entryOn(80, 8), second = entryOn(4000, 40);
    m_world.listing = {{other, dev, second}};
    PanelModel& model = open();
    model.moveSelection(-1);
    EXPECT_EQ(model.selection(), other.id()) << "up from nothing: the last shown row";
    model.moveSelection(1);
    EXPECT_EQ(model.selection(), other.id()) << "no wrap past the end";
    for (int up = 0; up < 3; ++up) model.moveSelection(-1);
    EXPECT_EQ(model.selection(), dev.id()) << "development rows are shown first";

    model.request(dev, StopAction::Stop);
    model.toggleSearch();
    model.setSearchText("40");
    EXPECT_FALSE(model.handleReturn()) << "the selected row is hidden by the search";
    model.startLabelEdit(3000);
    model.setLabelDraft("api");
    EXPECT_FALSE(model.handleReturn()) << "the label field takes the key";
    EXPECT_TRUE(m_world.actions.empty());
    model.startLabelEdit(4000);
    EXPECT_EQ(model.labelDraft(), "") << "a new edit drops the first one's draft";

    // Label edit, stop, query, search field, selection: each Escape takes one; with none left it passes on.
    const auto levels = [&] {
        return std::string(model.editingLabelPort() ? "L" : "") + (model.pendingKill() ? "K" : "") +
               (model.searchText().isEmpty() ? "" : "Q") + (model.showSearch() ? "S" : "") +
               (model.selection() ? "R" : "");
    };
    std::vector<std::string> seen{levels()};
    for (int key = 0; key < 9 && model.handleEscape(); ++key) seen.push_back(levels());
    EXPECT_EQ(seen, (std::vector<std::string>{"LKQSR", "KQSR", "QSR", "SR", "R", ""}));
    EXPECT_TRUE(m_world.labels.empty()) << "an abandoned edit stores nothing";
}

// The menu's full text is checked by the widget test; here, what depends on the entry and where actions go.
TEST_F(PanelModelTest, RowMenuFollowsTheEntryAndItsActionsReachTheirTargets) {
    const auto web = entryOn(3000, 4242), proxy = entryOn(5432, 60, "docker-proxy");
    const PortEntry bare{8080, "127.0.0.1", 77, "node", "dev", {"npm", "zsh"}, 76, {}, {}};
    m_world.listing = {{web, bare, proxy}};
    m_world.containers = {{5432, "db"}};
    PanelModel& model = open();
    using A = RowAction;
    const auto offers = [&](const PortEntry& entry, A action) {
        const auto items = model.menuItems(entry);
        return std::ranges::any_of(items, [&](const auto& item) { return item.action == action; });
    };
    EXPECT_TRUE(offers(web, A::OpenInEditor) && offers(web, A::CopyPath) && offers(web, A::KillTree));
    EXPECT_FALSE(offers(bare, A::OpenInEditor) || offers(bare, A::CopyPath)) << "no folder";
    EXPECT_FALSE(offers(proxy, A::KillTree) || offers(proxy, A::ForceKill)) << "a container stops by name";

    const std::vector<std::pair<A, QString>> copies{{A::CopyUrl, "http://localhost:3000"},
                                                    {A::CopyPort, "3000"},
                                                    {A::CopyPid, "4242"},
                                                    {A::CopyKill, "kill 4242"},
                                                    {A::CopyPath, "/home/dev/shop"}};
    for (const auto& [action, text] : copies) {
        model.trigger(action, web);
        EXPECT_EQ(m_world.clipboard, text);
    }
    model.trigger(A::OpenInEditor, web);
    model.openPort(bare);
    EXPECT_EQ(m_world.opened, (std::vector<QString>{"/home/dev/shop", "http://localhost:8080"}));
    EXPECT_EQ(model.selection(), bare.id());

    model.trigger(A::ToggleWatch, web);
    EXPECT_EQ(m_world.watched, (std::set<std::int64_t>{3000}));
    model.trigger(A::ToggleWatch, web);
    EXPECT_TRUE(m_world.watched.empty());

    model.trigger(A::Hide, bare);
    model.trigger(A::Hide, bare);
    EXPECT_EQ(m_world.preferences.hiddenPorts(), "8080") << "hidden once";
    EXPECT_EQ(portsOf(model.filtered()), (std::vector<std::int64_t>{3000, 5432}));

    model.trigger(A::History, web);
    EXPECT_TRUE(model.history().shown());
    EXPECT_EQ(model.history().port(), 3000);
}

} // namespace moorix
