"""The tray icon and its panel as users meet them under a window manager (metacity), and the tray that
modern desktops speak over D-Bus (StatusNotifierItem), under X and under a Wayland compositor."""
import re
import subprocess
import unittest

from desktop import PYTHON, DesktopTest, wait_until

PANEL_WIDTH = 380
# Twenty loopback servers in one process, so that the list is taller than the screen.
MANY_SERVERS = """
import socket, sys, time
held = []
for _ in range(20):
    server = socket.socket()
    server.bind(("127.0.0.1", 0))
    server.listen()
    held.append(server)
print(" ".join(str(server.getsockname()[1]) for server in held), flush=True)
time.sleep(3600)
"""


def overlaps(a, b):
    """Whether two (x, y, width, height) boxes share a pixel."""
    return a[0] < b[0] + b[2] and b[0] < a[0] + a[2] and a[1] < b[1] + b[3] and b[1] < a[1] + a[3]


class UnderMetacity(DesktopTest):
    """An XEmbed tray (trayer) at the top right, with metacity managing the windows."""

    def panel(self, timeout=20):
        return wait_until(lambda: next((w for w in self.desktop.app_windows() if w.width == PANEL_WIDTH), None),
                          timeout, "the panel")

    def frame(self, window):
        """A window's box with the frame the window manager put around it."""
        extents = self.desktop.run_x("/usr/bin/xprop", "-id", window.id, "-notype", "_NET_FRAME_EXTENTS") or ""
        left, right, top, bottom = (list(map(int, re.findall(r"\d+", extents.partition("=")[2]))) + [0] * 4)[:4]
        return (window.x - left, window.y - top, window.width + left + right, window.height + top + bottom)

    def test_a_tall_panel_stays_beside_its_icon_and_scrolls(self):
        self.desktop.write_preferences(panelMaxHeight=800, watchedPorts=1)
        servers = self.desktop.spawn("servers", [PYTHON, "-c", MANY_SERVERS])
        self.addCleanup(servers.stop)
        self.start_app()
        icon = self.desktop.tray_icon()
        self.desktop.click_tray_icon()
        self.panel()
        wait_until(lambda: len(self.desktop.find(role="list item", pattern=r"^:\d+", showing=False)) >= 20, 30,
                   "the twenty rows")
        # The panel grows with its list; it has settled when two looks half a second apart agree.
        looks = [None]

        def settled():
            looks.append(self.frame(self.panel()))
            return looks[-1] == looks[-2] and looks[-1]
        box = wait_until(settled, 10, "the panel to settle", interval=0.5)
        area = self.desktop.work_area()
        self.assertTrue(area[0] <= box[0] and box[0] + box[2] <= area[0] + area[2] and
                        area[1] <= box[1] and box[1] + box[3] <= area[1] + area[3],
                        f"panel {box} outside the available area {area}")
        self.assertFalse(overlaps(box, icon[1:]), f"panel {box} covers the icon {tuple(icon[1:])}")
        self.desktop.screenshot("e2e-tall-panel-metacity")

    def test_every_first_opening_lands_at_the_icon(self):
        for start in range(10):
            # Every place the panel's window takes, from its creation on, as the X server reports it.
            recorder = subprocess.Popen(["/usr/bin/xev", "-root", "-event", "substructure"], env=self.desktop.env,
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
            self.addCleanup(recorder.kill)
            app = self.start_app()
            icon = self.desktop.tray_icon()
            self.desktop.click_tray_icon()
            self.panel()
            app.stop()
            recorder.terminate()
            places = [tuple(map(int, found)) for found in
                      re.findall(rf"\((-?\d+),(-?\d+)\), width {PANEL_WIDTH},", recorder.communicate(timeout=10)[0])]
            self.assertTrue(places, "no panel window seen")
            for x, y in places:
                self.assertTrue(x <= icon.x + icon.width // 2 < x + PANEL_WIDTH and
                                icon.y + icon.height <= y <= icon.y + icon.height + 4,
                                f"start {start + 1}: the panel was at {(x, y)}, the icon at {tuple(icon[1:])}")

    def test_the_settings_window_shows_all_its_content(self):
        self.desktop.write_preferences(watchedPorts=1, hiddenPorts='"3000,5432"')
        self.start_app()
        self.desktop.click_tray_icon()
        self.panel()
        self.desktop.find(role="push button", name="Settings")[0].press()
        window = self.desktop.wait_for(role="frame", name="Moorix Settings")
        last = self.desktop.wait_for(role="push button", name="Show Again")
        _, y, _, height = window.extents()
        _, by, _, bheight = last.extents()
        self.desktop.screenshot("e2e-settings-metacity", window)
        # The last row's button, with the row's own margin below it, inside the window's content.
        self.assertLessEqual(by + bheight + 12, y + height, f"the last row {last.extents()} is cut off in "
                                                            f"{window.extents()}")

    def test_a_reader_walking_the_tree_as_rows_change_and_settings_close_the_panel(self):
        self.desktop.write_preferences(watchedPorts=1)
        servers = self.desktop.spawn("servers", [PYTHON, "-c", MANY_SERVERS])
        self.addCleanup(servers.stop)
        app = self.start_app()
        passing = None
        for _ in range(3):
            self.desktop.click_tray_icon()
            self.panel()
            wait_until(lambda: len(self.desktop.find(role="list item", pattern=r"^:\d+", showing=False)) >= 20,
                       30, "the twenty rows")
            # A server comes and one goes, so that the refreshes meanwhile rebuild rows.
            if passing:
                passing.stop()
            passing = self.desktop.listener()
            self.addCleanup(passing.stop)
            self.desktop.find(role="push button", name="Settings")[0].press()
            # The press lands a moment later and closes the panel while the reader is down among the rows:
            # the list no longer scrolls when it asks for the part it counted beside them.
            self.desktop.find(role="list item", showing=False)
            self.desktop.wait_for(role="frame", name="Moorix Settings")
            self.assertTrue(app.alive(), "the application ended")


class StatusNotifierTest(DesktopTest):
    """A desktop whose tray is a StatusNotifierItem host: Moorix registers an item and the tray calls it."""

    tray = False
    status_notifier = True

    def start_app(self, *arguments, env=None):
        # Qt's StatusNotifierItem tray opens a bus connection of its own that it never closes (also when it
        # only asks whether such a tray exists), and the leak checker reports it at every exit; a crash or a
        # failed exit still shows in the status.
        options = ":".join(filter(None, [self.desktop.env.get("ASAN_OPTIONS"), "intercept_tls_get_addr=0",
                                         "detect_leaks=0"]))
        return super().start_app(*arguments, env={"ASAN_OPTIONS": options, **(env or {})})

    def panel_shown(self):
        return self.desktop.find(role="push button", name="Quit Moorix")

    def check_item(self, item):
        """The development count in the tooltip, and an icon that changes with it."""
        self.desktop.listener("--dev-port")

        def tooltip_count():
            found = re.search(r"Development: (\d+)$", str(item.get("ToolTip")[2]))
            return found and int(found.group(1))
        count = wait_until(tooltip_count, 30, "the development count in the item's tooltip")
        icon = item.get("IconPixmap")
        self.assertTrue(icon and icon[0][0] > 0, "the item has an icon")
        # Other servers on the machine may open or close meanwhile: what matters is that the tooltip and
        # the icon follow the count.
        self.desktop.listener("--dev-port")
        wait_until(lambda: tooltip_count() not in (None, count), 30, "the tooltip to count anew")
        wait_until(lambda: item.get("IconPixmap") != icon, 10, "the icon to show the new count")
        return item

    def check_menu_quits(self, item, app):
        menu = item.menu()
        self.assertIn("Settings…", menu)
        self.assertIn("Quit Moorix", menu)
        item.choose(menu["Quit Moorix"])
        self.assertEqual(app.wait(20), 0)


class StatusNotifierUnderX(StatusNotifierTest):
    wayland = False

    def test_the_item_counts_opens_the_panel_at_the_pointer_and_offers_settings_and_quit(self):
        self.desktop.write_preferences(watchedPorts=1)
        app = self.start_app()
        item = self.check_item(self.desktop.status_item(app))
        self.desktop.point(1000, 10)
        pointer = self.desktop.pointer()
        item.call("Activate", 0, 0)
        panel = wait_until(lambda: next((w for w in self.desktop.app_windows() if w.width == PANEL_WIDTH), None),
                           20, "the panel after Activate")
        self.assertTrue(panel.x <= pointer[0] < panel.x + panel.width and 0 <= panel.y - pointer[1] <= 4,
                        f"panel at {tuple(panel[1:])}, pointer at {pointer}")
        self.desktop.screenshot("e2e-status-notifier-panel")
        item.call("Activate", 0, 0)
        wait_until(lambda: not [w for w in self.desktop.app_windows() if w.width == PANEL_WIDTH], 20,
                   "the panel to close at the second Activate")
        self.check_menu_quits(item, app)


class StatusNotifierUnderWayland(StatusNotifierTest):
    wayland = True

    def test_the_item_counts_toggles_the_panel_and_offers_settings_and_quit(self):
        self.desktop.write_preferences(watchedPorts=1)
        app = self.start_app()
        item = self.check_item(self.desktop.status_item(app))
        self.assertFalse(self.panel_shown())
        item.call("Activate", 0, 0)
        wait_until(self.panel_shown, 20, "the panel after Activate")
        item.call("Activate", 0, 0)
        wait_until(lambda: not self.panel_shown(), 20, "the panel to close at the second Activate")
        self.check_menu_quits(item, app)


if __name__ == "__main__":
    unittest.main()
