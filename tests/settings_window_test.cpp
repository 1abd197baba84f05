#include "app/services/app_updater.h"
#include "app/services/l10n.h"
#include "app/services/preferences.h"
#include "app/widgets/segmented_picker.h"
#include "app/widgets/stepped_slider.h"
#include "app/windows/settings_view.h"
#include "app/windows/settings_window.h"
#include "tests/support/qt_application.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <QAbstractAnimation>
#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <memory>

namespace moorix {

namespace {

template <typename T> T* child(const QWidget& parent, const char* name) {
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

QAccessibleInterface* accessible(QObject* object) { return QAccessible::queryAccessibleInterface(object); }

void act(QObject* object, const QString& action) {
    QAccessibleActionInterface* actions = accessible(object)->actionInterface();
    ASSERT_NE(actions, nullptr);
    actions->doAction(action);
}

QString title(QObject& control) { return accessible(&control)->text(QAccessible::Name); }

struct SettingsWindowTest : ::testing::Test {
    SettingsWindowTest() {
        test::ensureQtApplication();
        // As the application's start-up wires them: texts follow the language chosen in the store.
        L10n::setLanguage("en");
        QObject::connect(&prefs, &Preferences::appLanguageChanged,
                         [](const QString& language) { L10n::setLanguage(language); });
    }

    // A window of its own, as SettingsWindow::show builds one, shown so that its tabs read their state.
    std::unique_ptr<SettingsView> view(std::optional<UpdateController> updates = std::nullopt) {
        auto made = std::make_unique<SettingsView>(prefs, MOORIX_VERSION, std::move(updates));
        made->setFixedSize(520, 430);
        made->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(made.get()));
        return made;
    }

    test::TempDir dir;
    Preferences prefs{QString::fromStdString(dir.file("moorix.conf"))};
};

} // namespace

TEST_F(SettingsWindowTest, GeneralPageStoresEachChangeAtOnce) {
    const std::string entry =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).toStdString() +
        "/autostart/com.quenvale.moorix.desktop";
    ASSERT_NE(entry.find(std::getenv("XDG_CONFIG_HOME")), std::string::npos) << "inside the test's own HOME";
    prefs.setHiddenPorts("3000,5173");
    std::filesystem::create_directories(MOORIX_SCREENSHOT_DIR);
    const auto window = view();
    // Screenshots for people, of each tab.
    for (const auto& [tab, file] :
         {std::pair("updatesTab", "settings-updates.png"), std::pair("generalTab", "settings-general.png")}) {
        act(child<QAbstractButton>(*window, tab), QAccessibleActionInterface::pressAction());
        QApplication::processEvents(); // the layout passes that follow new texts
        // As the window opens: tall enough for its taller tab.
        window->setFixedHeight(std::max(window->height(), window->fittingHeight()));
        // Once the tab bar's chip has slid under the new tab, as a person sees it.
        ASSERT_TRUE(QTest::qWaitFor([&] {
            const auto moving = window->findChildren<QAbstractAnimation*>();
            return std::none_of(moving.begin(), moving.end(),
                                [](auto* slide) { return slide->state() == QAbstractAnimation::Running; });
        }));
        EXPECT_TRUE(window->grab().save(QString::fromLatin1(MOORIX_SCREENSHOT_DIR) + "/" + file)) << file;
    }

    auto* confirm = child<QAbstractButton>(*window, "confirmBeforeKillSwitch");
    ASSERT_TRUE(confirm->isChecked());
    QTest::mouseClick(confirm, Qt::LeftButton);
    EXPECT_EQ(QSettings(prefs.location(), QSettings::IniFormat).value("confirmBeforeKill").toString(),
              "false");
    window->hide();
    window->show();
    EXPECT_FALSE(confirm->isChecked());

    auto* login = child<QAbstractButton>(*window, "startAtLoginSwitch");
    QTest::mouseClick(login, Qt::LeftButton);
    EXPECT_TRUE(std::filesystem::exists(entry));
    QTest::mouseClick(login, Qt::LeftButton);
    EXPECT_FALSE(std::filesystem::exists(entry));

    auto* slider = child<SteppedSlider>(*window, "panelHeightSlider");
    EXPECT_EQ(title(*slider), "Panel height");
    QAccessibleValueInterface* value = accessible(slider)->valueInterface();
    ASSERT_NE(value, nullptr);
    const std::vector<std::pair<int, double>> asks{{9999, 800}, {-40, 240}, {251, 260}, {509, 500}};
    for (const auto& [asked, kept] : asks) {
        value->setCurrentValue(asked);
        EXPECT_EQ(prefs.panelMaxHeight(), kept) << asked;
    }
    EXPECT_EQ(child<QLabel>(*window, "panelHeightValue")->text(), "500 pt");
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(prefs.panelMaxHeight(), 520);
    EXPECT_EQ(slider->value(), 520);
}

TEST_F(SettingsWindowTest, ShowClosesThePanelAndKeepsTabAndFrameAcrossClose) {
    QWidget panel(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    panel.show();
    panel.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));

    SettingsWindow::show(prefs);
    QWidget* window = SettingsWindow::window();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(panel.isVisible()) << "the panel closes so the settings do not open behind it";
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_EQ(window->objectName(), AppUpdater::settingsWindowName);
    EXPECT_EQ(window->size(), QSize(520, 430));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(window->pos(), QPoint((screen.width() - 520) / 2, (screen.height() - 430) / 2)) << "centred";

    QTest::mouseClick(child<QAbstractButton>(*window, "updatesTab"), Qt::LeftButton);
    window->move(37, 52);
    window->close();
    QWidget ordinary;
    ordinary.show();
    ordinary.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&ordinary));
    SettingsWindow::show(prefs);
    EXPECT_EQ(SettingsWindow::window(), window) << "created once";
    EXPECT_TRUE(ordinary.isVisible()) << "the application's own window stays; only a floating one closes";
    EXPECT_TRUE(child<QWidget>(*window, "updatesPage")->isVisible());
    EXPECT_EQ(window->pos(), QPoint(37, 52));
    delete window;
}

TEST_F(SettingsWindowTest, ControlsAreNamedDriveTheUpdaterAndAreRetextedWhenTheLanguageChanges) {
    bool automatic = true;
    int checks = 0;
    const auto window = view(
        UpdateController{[&] { return automatic; }, [&](bool on) { automatic = on; }, [&] { ++checks; }});
    auto* general = child<QAbstractButton>(*window, "generalTab");
    auto* updates = child<QAbstractButton>(*window, "updatesTab");
    EXPECT_EQ(accessible(updates)->role(), QAccessible::PageTab);
    act(updates, QAccessibleActionInterface::pressAction());
    EXPECT_FALSE(child<SegmentedPicker>(*window, "languagePicker")->isVisibleTo(window.get()))
        << "the General page gave way";
    EXPECT_TRUE(accessible(updates)->state().selected);
    auto* checkNow = child<QAbstractButton>(*window, "checkUpdatesButton");
    EXPECT_EQ(title(*checkNow), "Check Now");
    act(checkNow, QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(QTest::qWaitFor([&] { return checks == 1; }));
    auto* toggle = child<QAbstractButton>(*window, "autoCheckSwitch");
    EXPECT_EQ(title(*toggle), "Check for updates automatically");
    act(toggle, QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(automatic);
    act(general, QAccessibleActionInterface::pressAction());

    const auto* language = child<SegmentedPicker>(*window, "languagePicker");
    act(child<QAbstractButton>(*language, "option1"), QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(window->windowTitle(), "Moorix Ayarları");
    EXPECT_EQ(title(*general), "Genel");
    EXPECT_EQ(title(*child<QWidget>(*window, "startAtLoginSwitch")), "Oturum açılınca başlat");

    prefs.setAppLanguage("en");
    EXPECT_EQ(title(*general), "General");
    EXPECT_TRUE(child<QAbstractButton>(*language, "option2")->isChecked());
}

} // namespace moorix
