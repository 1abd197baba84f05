"""The application as a window of its own, on a desktop without a system tray."""
import unittest

from desktop import DesktopTest, wait_until


class NoTray(DesktopTest):
    tray = False

    def test_the_window_shows_and_its_quit_button_ends_the_app(self):
        app = self.start_app()
        quit_button = self.desktop.wait_for(role="push button", name="Quit Moorix")
        # The window manager maps the window a moment after the application made it, and may still move it:
        # the whole screen shows it wherever it lands.
        wait_until(self.desktop.app_windows, 10, "the window on screen")
        self.desktop.screenshot("e2e-window")
        self.desktop.click(quit_button)
        self.assertEqual(app.wait(20), 0)


if __name__ == "__main__":
    unittest.main()
