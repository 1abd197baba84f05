#include "app/services/desktop_notification.h"
#include "app/shell/menu_bar_image.h"
#include "app/shell/panel_host.h"
#include "app/shell/single_instance.h"
#include "tests/support/qt_application.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <QImage>

namespace moorix {

TEST(DisplayHelpers, NotificationScriptAndPanelPlacement) {
    EXPECT_EQ(appleScriptNotification(R"(say "hi" \ bye)"),
              R"(display notification "say \"hi\" \\ bye" with title "Moorix")");

    // Under the icon, kept on the screen, and above an icon at the bottom.
    const QRect screen(0, 0, 1024, 768);
    EXPECT_EQ(PanelHost::placement(QRect(500, 0, 22, 22), QSize(360, 400), screen), QPoint(330, 22));
    EXPECT_EQ(PanelHost::placement(QRect(1000, 0, 22, 22), QSize(360, 400), screen), QPoint(664, 22));
    EXPECT_EQ(PanelHost::placement(QRect(500, 746, 22, 22), QSize(360, 400), screen), QPoint(330, 346));
    EXPECT_EQ(PanelHost::room(QRect(1000, 0, 22, 22), screen), 746) << "below a tray at the top";
    EXPECT_EQ(PanelHost::room(QRect(500, 700, 22, 22), screen), 700) << "above a tray near the bottom";
}

TEST(MenuBarImage, BadgeOnASquareIconOrCountBesideIt) {
    test::ensureQtApplication();
    const auto redPixels = [](const QImage& image) {
        int count = 0;
        for (int at = 0; at < image.width() * image.height(); ++at) {
            const QColor c = image.pixelColor(at % image.width(), at / image.width());
            count += c.alpha() > 200 && c.red() > 180 && c.green() < 100;
        }
        return count;
    };
    const MenuBarStyle badge{CountPlacement::Badge, QColor(0xF2F2F2), QColor(0x303030), 22, 2.0};
    const QImage none = renderMenuBarImage(QImage(), 0, badge), one = renderMenuBarImage(QImage(), 1, badge),
                 many = renderMenuBarImage(QImage(), 8976, badge);
    for (const QImage* image : {&none, &one, &many}) EXPECT_EQ(image->size(), QSize(44, 44));
    EXPECT_EQ(redPixels(none), 0);
    EXPECT_GT(redPixels(one), 50);
    EXPECT_GT(redPixels(many), redPixels(one)) << "a wider pill for more digits";
    const MenuBarStyle beside{CountPlacement::Beside, Qt::black, QColor(), 18, 2.0};
    EXPECT_GT(renderMenuBarImage(QImage(), 1024, beside).width(),
              renderMenuBarImage(QImage(), 1, beside).width());
}

TEST(SingleInstance, ASecondHolderIsRefusedAndAnUnusableLockStopsNothing) {
    test::TempDir dir;
    const SingleInstance first(dir.file("data/Moorix/moorix.lock"));
    EXPECT_FALSE(first.heldElsewhere());
    EXPECT_TRUE(SingleInstance(dir.file("data/Moorix/moorix.lock")).heldElsewhere());
    EXPECT_FALSE(SingleInstance("/dev/null/no-such-dir/moorix.lock").heldElsewhere());
}

} // namespace moorix
