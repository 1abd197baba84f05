#include "app/services/desktop_notification.h"
#include "app/shell/format_mem.h"
#include "app/shell/menu_bar_image.h"
#include "app/shell/owner_icon.h"
#include "app/shell/panel_host.h"
#include "app/shell/single_instance.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>

namespace moorix {

TEST(FormatMem, MegabytesThenGigabytesWithOneDecimal) {
    EXPECT_EQ(formatMem(0), "0 MB");
    EXPECT_EQ(formatMem(1023), "1023 MB");
    EXPECT_EQ(formatMem(1024), "1.0 GB");
    EXPECT_EQ(formatMem(1536), "1.5 GB");
    EXPECT_EQ(formatMem(10 * 1024 + 100), "10.1 GB");
}

TEST(AppleScriptNotification, EscapesBackslashesBeforeQuotes) {
    EXPECT_EQ(appleScriptNotification("Port 3000 closed"),
              "display notification \"Port 3000 closed\" with title \"Moorix\"");
    EXPECT_EQ(appleScriptNotification(R"(say "hi" \ bye \")"),
              R"(display notification "say \"hi\" \\ bye \\\"" with title "Moorix")");
}

TEST(OwnerIcons, OneLookupPerRootPid) {
    int lookups = 0;
    OwnerIcons icons([&](const PortEntry&) {
        ++lookups;
        return QIcon();
    });
    PortEntry a{3000, "*", 10, "node", "dev", {"npm"}, 5, {}, {}};
    PortEntry b = a;
    b.pid = 11;
    b.port = 3001;
    icons.iconFor(a);
    icons.iconFor(b);
    EXPECT_EQ(lookups, 1);
    b.rootPid = 6;
    icons.iconFor(b);
    EXPECT_EQ(lookups, 2);
}

TEST(PanelPlacement, UnderTheIconAndInsideTheScreen) {
    const QRect screen(0, 0, 1024, 768);
    const QSize size(360, 400);
    EXPECT_EQ(PanelHost::placement(QRect(500, 0, 22, 22), size, screen), QPoint(330, 22));
    EXPECT_EQ(PanelHost::placement(QRect(1000, 0, 22, 22), size, screen), QPoint(664, 22)) << "kept on screen";
    EXPECT_EQ(PanelHost::placement(QRect(0, 0, 22, 22), size, screen), QPoint(0, 22));
    EXPECT_EQ(PanelHost::placement(QRect(500, 746, 22, 22), size, screen), QPoint(330, 346)) << "tray at the bottom";
}

class MenuBarImageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test";
        static char* argv[] = {name, nullptr};
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static QGuiApplication app(argc, argv);
    }
    static int redPixels(const QImage& image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                count += c.alpha() > 200 && c.red() > 180 && c.green() < 100;
            }
        return count;
    }
};

TEST_F(MenuBarImageTest, BadgeAppearsFromOneAndStaysSquare) {
    const MenuBarStyle badge{CountPlacement::Badge, QColor(0xF2, 0xF2, 0xF2), QColor(0x30, 0x30, 0x30), 22, 2.0};
    const QImage none = renderMenuBarImage(fallbackMenuBarIcon(), 0, badge);
    const QImage one = renderMenuBarImage(fallbackMenuBarIcon(), 1, badge);
    const QImage many = renderMenuBarImage(fallbackMenuBarIcon(), 8976, badge);
    for (const QImage* image : {&none, &one, &many}) EXPECT_EQ(image->size(), QSize(44, 44));
    EXPECT_EQ(redPixels(none), 0);
    EXPECT_GT(redPixels(one), 50);
    EXPECT_GT(redPixels(many), redPixels(one)) << "a wider pill for more digits";
    EXPECT_NE(none, renderMenuBarImage(QImage(), 0, {CountPlacement::Badge, Qt::black, QColor(), 22, 2.0}))
        << "the tint is applied";
}

TEST_F(MenuBarImageTest, CountBesideTheIconWidensTheImage) {
    const MenuBarStyle beside{CountPlacement::Beside, Qt::black, QColor(), 18, 2.0};
    const QImage none = renderMenuBarImage(fallbackMenuBarIcon(), 0, beside);
    const QImage one = renderMenuBarImage(fallbackMenuBarIcon(), 1, beside);
    const QImage four = renderMenuBarImage(fallbackMenuBarIcon(), 1024, beside);
    EXPECT_EQ(none.size(), QSize(36, 36));
    EXPECT_GT(one.width(), 36);
    EXPECT_GT(four.width(), one.width());
    EXPECT_EQ(four.height(), 36);
}

TEST(SingleInstance, SecondHolderIsRefusedUntilTheFirstEnds) {
    test::TempDir dir;
    const std::string lock = dir.file("data/Moorix/moorix.lock");
    {
        SingleInstance first(lock);
        EXPECT_FALSE(first.heldElsewhere());
        SingleInstance second(lock);
        EXPECT_TRUE(second.heldElsewhere());
    }
    SingleInstance again(lock);
    EXPECT_FALSE(again.heldElsewhere()) << "released when the holder goes away";

    SingleInstance unwritable("/proc/no-such-dir/moorix.lock");
    EXPECT_FALSE(unwritable.heldElsewhere()) << "an unusable lock file does not stop the application";
}

} // namespace moorix
