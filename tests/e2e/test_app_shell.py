"""The application's own window and tray icon, seen through the accessibility tree and X."""
import unittest

from desktop import DesktopTest, wait_until


class NoTray(DesktopTest):
    """Without a system tray the application is a window, and its quit button ends it."""

    tray = False

    def start_window(self):
        app = self.start_app()
        quit_button = self.desktop.wait_for(role="push button", name="Quit Moorix")
        if self.user:
            self.assertEqual(app.user(), self.user)
        return app, quit_button

    def test_quit_button_ends_the_app(self):
        app, quit_button = self.start_window()
        # The window manager maps the window a moment after the application made it.
        window = wait_until(self.desktop.app_windows, 10, "the window on screen")[0]
        self.desktop.screenshot("e2e-window-" + (self.user or "self"), window)
        quit_button.press()
        self.assertEqual(app.wait(20), 0)

    def test_quit_button_works_from_the_keyboard(self):
        app, quit_button = self.start_window()
        self.desktop.wait_keyboard(wait_until(self.desktop.app_windows, 10, "the window on screen")[0])
        quit_button.focus()
        wait_until(lambda: "focused" in quit_button.refresh().states, 10, "the quit button to take the focus")
        self.desktop.keys("space")
        self.assertEqual(app.wait(20), 0)


class NoTrayAsUser(NoTray):
    """The same, with the application and the accessibility reader running as an ordinary user."""

    user = "nobody"


class Tray(DesktopTest):
    def test_clicking_the_tray_icon_opens_a_window_and_the_app_lives_on(self):
        app = self.start_app()
        self.desktop.click_tray_icon()
        opened = wait_until(lambda: [box for box in self.desktop.app_windows() if box.width > 64], 20,
                            "a window of the application after the click")
        self.desktop.screenshot("e2e-tray-click", opened[0])
        self.assertTrue(app.alive())


if __name__ == "__main__":
    unittest.main()
