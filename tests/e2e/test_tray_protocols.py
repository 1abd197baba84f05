"""The tray icon and its panel under metacity, and the D-Bus tray (StatusNotifierItem) under X and Wayland."""
import re
import subprocess
import time
import unittest

from gi.repository import Gio, GLib

from desktop import PANEL_WIDTH, PYTHON, DesktopTest, wait_until

ITEM = "org.kde.StatusNotifierItem"
# Twenty loopback servers in one process, so that the list is taller than the screen.
MANY_SERVERS = """
import socket, time
held = [socket.create_server(("127.0.0.1", 0)) for _ in range(20)]
time.sleep(3600)
"""


class UnderMetacity(DesktopTest):
    """An XEmbed tray (trayer) at the top right, with metacity managing the windows."""

    def frame(self, window):
        """A window's box with the frame the window manager put around it."""
        extents = self.desktop.run_x("xprop", "-id", window.id, "-notype", "_NET_FRAME_EXTENTS") or ""
        left, right, top, bottom = (list(map(int, re.findall(r"\d+", extents.partition("=")[2]))) + [0] * 4)[:4]
        return window.x - left, window.y - top, window.width + left + right, window.height + top + bottom

    def test_a_tall_panel_stays_beside_its_icon_and_scrolls_and_a_reader_survives_it_closing(self):
        self.desktop.write_preferences(panelMaxHeight=800, watchedPorts=1)
        self.addCleanup(self.desktop.spawn("servers", [PYTHON, "-c", MANY_SERVERS]).stop)
        app = self.start_app()
        icon = self.desktop.tray_icon()
        self.open_panel()

        def all_rows():
            return len(self.desktop.find(role="list item", pattern=r"^:\d+", showing=False)) >= 20
        wait_until(all_rows, 30, "the twenty rows")
        # The panel grows with its list; it has settled when two looks half a second apart agree.
        looks = [None]

        def settled():
            looks.append(self.frame(self.desktop.panel()))
            return looks[-1] == looks[-2] and looks[-1]
        x, y, width, height = wait_until(settled, 10, "the panel to settle", interval=0.5)
        ax, ay, awidth, aheight = [int(n) for n in re.findall(r"\d+", self.desktop.run_x(
            "xprop", "-root", "-notype", "_NET_WORKAREA").partition("=")[2])[:4]]
        self.assertTrue(ax <= x and x + width <= ax + awidth and ay <= y and y + height <= ay + aheight,
                        f"panel {(x, y, width, height)} outside the available area {(ax, ay, awidth, aheight)}")
        self.assertFalse(icon.x < x + width and x < icon.x + icon.width and icon.y < y + height and
                         y < icon.y + icon.height, f"panel {(x, y, width, height)} covers the icon {icon}")
        self.desktop.screenshot("e2e-tall-panel-metacity")

        # A reader walks the rows while a server comes and goes and the panel closes under it.
        for _ in range(3):
            passing = self.desktop.listener()
            self.desktop.find(role="push button", name="Settings")[0].press()
            # The press lands a moment later and closes the panel while the reader is down among the rows:
            # the list no longer scrolls when it asks for the part it counted beside them.
            self.desktop.find(role="list item", showing=False)
            self.desktop.wait_for(role="frame", name="Moorix Settings")
            self.assertTrue(app.alive(), "the application ended")
            passing.stop()
            wait_until(lambda: self.desktop.panel() is None, 10, "the panel to close")
            # A person's next click on the icon comes well after the 300 ms in which the panel takes a click
            # on its icon for the one that closed it.
            time.sleep(0.6)
            self.open_panel()
            wait_until(all_rows, 30, "the twenty rows")

    def test_every_first_opening_lands_at_the_icon(self):
        for start in range(10):
            # Every place the panel's window takes, from its creation on, as the X server reports it.
            recorder = self.desktop.spawn("xev", ["/usr/bin/xev", "-root", "-event", "substructure"], as_user=False,
                                          stdout=subprocess.PIPE)
            app = self.start_app()
            icon = self.desktop.tray_icon()
            self.open_panel()
            app.stop()
            recorder.terminate()
            seen = recorder.communicate(timeout=10)[0].decode()
            places = [tuple(map(int, xy)) for xy in re.findall(rf"\((-?\d+),(-?\d+)\), width {PANEL_WIDTH},", seen)]
            self.assertTrue(places, "no panel window seen")
            for x, y in places:
                self.assertTrue(x <= icon.x + icon.width // 2 < x + PANEL_WIDTH and
                                icon.y + icon.height <= y <= icon.y + icon.height + 4,
                                f"start {start + 1}: the panel was at {(x, y)}, the icon at {icon}")


class StatusItem:
    """The application's StatusNotifierItem, once registered with the watcher, read and called as a tray does."""

    def __init__(self, desktop):
        self.name = wait_until(lambda: desktop.watcher.line(1), 20, "the application's item registered")
        flags = Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION
        self.bus = Gio.DBusConnection.new_for_address_sync(desktop.env["DBUS_SESSION_BUS_ADDRESS"], flags)

    def call(self, method, signature, *arguments, path="/StatusNotifierItem", interface=ITEM):
        """The item's answer, as Python values."""
        return self.bus.call_sync(self.name, path, interface, method, GLib.Variant(signature, arguments), None,
                                  Gio.DBusCallFlags.NONE, 10000).unpack()

    def property(self, key):
        return self.call("Get", "(ss)", ITEM, key, interface="org.freedesktop.DBus.Properties")[0]

    def choose(self, label):
        """Clicks the line of the exported menu with that label, as the tray does when the user picks it;
        the menu's labels, with mnemonics' underscores left out."""
        path, menu = self.property("Menu"), "com.canonical.dbusmenu"
        _, (_, _, children) = self.call("GetLayout", "(iias)", 0, -1, ["label"], path=path, interface=menu)
        items = {properties.get("label", "").replace("_", ""): item_id for item_id, properties, _ in children}
        self.call("Event", "(isvu)", items[label], "clicked", GLib.Variant("i", 0), 0, path=path, interface=menu)
        return items


class StatusNotifierUnderX(DesktopTest):
    """A desktop whose tray is a StatusNotifierItem host: Moorix registers an item and the tray calls it."""

    tray = False
    status_notifier = True

    def test_the_item_counts_toggles_the_panel_and_offers_settings_and_quit(self):
        self.desktop.write_preferences(watchedPorts=1)
        app = self.start_app()
        item = StatusItem(self.desktop)
        self.desktop.listener("--dev-port")

        def tooltip_count():
            found = re.search(r"Development: (\d+)$", str(item.property("ToolTip")[2]))
            return found and int(found.group(1))
        count = wait_until(tooltip_count, 30, "the development count in the item's tooltip")
        icon = item.property("IconPixmap")
        self.assertTrue(icon and icon[0][0] > 0, "the item has an icon")
        # Other servers on the machine may open or close meanwhile: what matters is that the tooltip and
        # the icon follow the count.
        self.desktop.listener("--dev-port")
        wait_until(lambda: tooltip_count() not in (None, count), 30, "the tooltip to count anew")
        wait_until(lambda: item.property("IconPixmap") != icon, 10, "the icon to show the new count")

        if not self.wayland:
            self.desktop.point(1000, 10)
        item.call("Activate", "(ii)", 0, 0)
        self.desktop.wait_for(role="push button", name="Quit Moorix")  # the panel's
        if not self.wayland:
            # The host does not say where the icon is: the panel opens at the pointer.
            panel, pointer = wait_until(self.desktop.panel, 10, "the panel's window"), self.desktop.pointer()
            self.assertTrue(panel.x <= pointer[0] < panel.x + panel.width and 0 <= panel.y - pointer[1] <= 4,
                            f"panel at {panel}, pointer at {pointer}")
            self.desktop.screenshot("e2e-status-notifier-panel")
        item.call("Activate", "(ii)", 0, 0)
        self.desktop.wait_gone(role="push button", name="Quit Moorix")

        self.assertIn("Settings…", item.choose("Quit Moorix"))
        self.assertEqual(app.wait(20), 0)


class StatusNotifierUnderWayland(StatusNotifierUnderX):
    wayland = True


if __name__ == "__main__":
    unittest.main()
