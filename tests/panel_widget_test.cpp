// The panel's widgets on the offscreen platform, driven with keys and clicks; screenshots for people.
#include "app/panel/panel_model.h"
#include "app/panel/panel_view.h"
#include "app/panel/port_list_view.h"
#include "app/panel/port_row.h"
#include "tests/support/fake_panel_world.h"
#include "tests/support/qt_application.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <memory>

namespace moorix {

class PanelWidgetTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::ensureQtApplication();
        QDir().mkpath(QStringLiteral(MOORIX_SCREENSHOT_DIR));
        // A workstation's ports: development servers, a container, databases and system daemons.
        m_world.listing = {{
            {22, "0.0.0.0", 610, "sshd", "root", {}, 609, {}, {}},
            {631, "[::1]", 620, "cupsd", "root", {}, 619, {}, {}},
            {3000, "127.0.0.1", 4242, "node", "dev", {"npm", "zsh"}, 4241, "/home/dev/shop", "shop-web"},
            {5432, "*", 900, "com.docker.backend", "dev", {}, 899, {}, {}},
            {5173, "127.0.0.1", 4300, "node", "dev", {"pnpm", "zsh"}, 4299, "/home/dev/shop", "dashboard"},
            {6379, "127.0.0.1", 910, "redis-server", "dev", {}, 909, {}, {}},
            {8000, "0.0.0.0", 5100, "python3", "dev", {"zsh"}, 5099, "/home/dev/shop", "ml-service"},
        }};
        m_world.stats = {{4242, {12.4, 340}}, {4300, {0.5, 182}}, {5100, {3, 1536}}, {900, {1.2, 96}},
                         {910, {0.3, 12}},    {610, {0, 6}},      {620, {0, 9}}};
        m_world.containers = {{5432, "postgres-db"}};
        m_world.answering = {3000, 5173};
        m_world.labels = {{"3000", "api"}, {"8000", "inference"}};
        m_world.watched = {3000, 8000};
        m_world.table = {{4242, {4241, "npm"}}, {4300, {4299, "pnpm"}}, {5100, {1, "python3"}}};
        // Its history: two servers opened, and one of them stopped by Moorix since.
        const auto event = [&](std::chrono::minutes ago, std::int64_t port, std::optional<Ending> ending) {
            const auto action = ending ? EventAction::Closed : EventAction::Opened;
            return PortEvent{
                m_world.now - ago, action, port, 0, "node", {"npm", "zsh"}, {}, {}, {}, {}, {}, ending};
        };
        m_world.events = {event(std::chrono::hours(5), 3000, {}), event(std::chrono::minutes(40), 5173, {}),
                          event(std::chrono::minutes(3), 3000, Ending::KilledByMoorix)};
        m_model = std::make_unique<PanelModel>(m_world.backend(), Executor::immediate(), m_world.preferences);
        m_view = std::make_unique<PanelView>(*m_model);
        m_view->show();
        m_model->setShown(true);
        settle();
    }
    static void settle() {
        for (int i = 0; i < 3; ++i) QApplication::processEvents();
    }
    void shoot(const char* name) const {
        settle();
        m_view->grab().save(QStringLiteral(MOORIX_SCREENSHOT_DIR "/%1.png").arg(QString::fromLatin1(name)));
    }
    template <typename T> T* find(const char* name) const {
        return m_view->findChild<T*>(QString::fromLatin1(name));
    }
    bool visible(const char* name) const { return find<QWidget>(name) && find<QWidget>(name)->isVisible(); }

    test::FakePanelWorld m_world;
    std::unique_ptr<PanelModel> m_model;
    std::unique_ptr<PanelView> m_view;
};

TEST_F(PanelWidgetTest, TheListWithSectionsCountsTheAlertStripTheSearchAndTheHistoryNewestFirst) {
    EXPECT_FALSE(visible("emptyState"));
    EXPECT_TRUE(visible("reclaimAll")) << "the alert strip offers to stop the orphaned python server";
    const PortRow* web = m_view->list().row("4242:3000");
    ASSERT_NE(web, nullptr);
    EXPECT_EQ(web->accessibleName(), ":3000 api shop-web \u00B7 node started by zsh");
    EXPECT_EQ(web->accessibleDescription(), "node \u2190 npm \u2190 zsh\npid 4242 \u00B7 dev");
    shoot("panel-list");

    QTest::mouseClick(find<QWidget>("exposedFilter"), Qt::LeftButton);
    EXPECT_EQ(find<QLabel>("devSection")->text(), "Development  \u00B7  2");
    EXPECT_EQ(m_view->list().row("4242:3000"), nullptr) << "loopback-only rows leave the list";

    QTest::keySequence(m_view.get(), QKeySequence::Find);
    ASSERT_TRUE(visible("searchField"));
    auto* text = find<QLineEdit>("searchText");
    EXPECT_TRUE(text->hasFocus());
    QTest::keyClicks(text, "zzz-nothing");
    EXPECT_EQ(find<QLabel>("emptyText")->text(), "No ports match your search");
    QTest::mouseClick(find<QWidget>("clearSearch"), Qt::LeftButton);
    EXPECT_FALSE(visible("emptyState"));
    QTest::keyClicks(text, "dash");
    QTest::keySequence(m_view.get(), QKeySequence::Find);
    EXPECT_FALSE(visible("searchField"));
    EXPECT_EQ(m_model->searchText(), "") << "closing the search clears the query";

    QTest::mouseClick(find<QWidget>("historyButton"), Qt::LeftButton);
    EXPECT_TRUE(visible("historySheet"));
    ASSERT_EQ(m_model->history().events().size(), 3u);
    EXPECT_EQ(m_model->history().events().front().action, EventAction::Closed);
    shoot("panel-history");
}

TEST_F(PanelWidgetTest, KeyboardSelectsConfirmsStopsAndEditsALabelThroughTheRowMenu) {
    PortRow* web = m_view->list().row("4242:3000");
    ASSERT_NE(web, nullptr);
    QTest::keyClick(m_view.get(), Qt::Key_Down);
    QTest::keyClick(m_view.get(), Qt::Key_Return);
    EXPECT_EQ(web->accessibleName(), ":3000 api Stop this process?");
    shoot("panel-confirming");
    QTest::keyClick(m_view.get(), Qt::Key_Escape);
    EXPECT_FALSE(web->state().confirming);

    QStringList items;
    QTimer::singleShot(50, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        menu->grab().save(QStringLiteral(MOORIX_SCREENSHOT_DIR "/panel-row-menu.png"));
        for (QAction* action : menu->actions())
            if (!action->isSeparator()) items << action->text();
        for (QAction* action : menu->actions())
            if (action->text() == "Set Label…") menu->setActiveAction(action);
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QTest::keyClick(m_view.get(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(items, (QStringList{"Open in Browser", "Open in Files", "Set Label…", "Stop Watching",
                                  "Hide Port", "Stop Process Tree", "Force Stop", "Copy URL", "Copy Port",
                                  "Copy PID", "Copy Kill Command", "History", "Copy Folder Path"}));
    settle();
    auto* editor = web->findChild<QLineEdit*>();
    ASSERT_TRUE(editor && editor->isVisible());
    EXPECT_EQ(editor->text(), "api");
    QTest::keyClicks(editor, "checkout");
    shoot("panel-label-editor");
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(m_world.labels[QStringLiteral("3000")], "checkout");
    EXPECT_TRUE(m_world.actions.empty()) << "the return that saved the label stopped nothing";
}

} // namespace moorix
