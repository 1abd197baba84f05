"""The panel of the real application, opened from the tray icon and read through the accessibility tree:
its rows, sections, counts, alert strip, search, history sheet, row actions and the settings window."""
import os
import re
import stat
import tempfile
import time
import unittest
from pathlib import Path

from desktop import DesktopTest, wait_until

NO_MATCH = "No ports match your search"
SYSTEM_QUESTION = "This is a system process. Stop it anyway?"
LABEL_EDITOR = "Label for this port"
# Menu lines of an ordinary user's server with a folder: browser, folder, label, watch, hide, restart,
# tree, force, url, port…
ROW_MENU = ["Open in Browser", "Open in", "Set Label…", "Watch Port", "Hide Port", "Restart",
            "Stop Process Tree", "Force Stop", "Copy URL", "Copy Port"]


class PanelTest(DesktopTest):
    def setUp(self):
        super().setUp()
        # A watched port that never opens makes the sampler tick every 5 seconds instead of 10.
        self.desktop.write_preferences(watchedPorts=1)

    def open_panel(self):
        """Starts the application and opens its panel with a click on the tray icon; the panel takes the
        keyboard as it opens."""
        self.app = self.start_app()
        self.desktop.click_tray_icon()
        panel = wait_until(lambda: [w for w in self.desktop.app_windows() if w.width == 380], 20, "the panel")[0]
        self.desktop.wait_keyboard(panel)
        return panel

    def recorded_listener(self, *options):
        """A listener whose opening the history holds. The sampler's first look only takes note of what
        is open, so when a server was quicker, another one is started beside it (on another port)."""
        tried = []
        for _ in range(3):
            server = self.desktop.listener(*options)
            try:
                wait_until(lambda: self.desktop.history(server.port), 12, "the opening in the history")
                break
            except AssertionError:
                tried.append(server)
        else:
            raise AssertionError("the history recorded no opening")
        for early in tried:
            early.stop()
        return server

    def row(self, port, timeout=30):
        return self.desktop.wait_for(timeout, role="list item", pattern=rf"^:{port}( |$)")

    def rows(self, port):
        return self.desktop.find(role="list item", pattern=rf"^:{port}( |$)")

    def panel(self):
        return wait_until(lambda: [w for w in self.desktop.app_windows() if w.width == 380], 20, "the panel")[0]

    def panel_shot(self, name):
        panel = [w for w in self.desktop.app_windows() if w.width == 380]
        if panel:
            self.desktop.screenshot(name, panel[0])


class Panel(PanelTest):
    """Run by the test's own user: what a user sees and reads."""

    def test_rows_sections_counts_strip_search_and_history(self):
        self.open_panel()
        dev = self.recorded_listener("--dev-port", "--serve", "http200")
        ipv6 = self.desktop.listener("--host", "::1", "--dev-port")
        exposed = self.desktop.listener("--host", "0.0.0.0", "--port", "0")
        self.row(dev.port)
        self.row(ipv6.port)
        self.row(exposed.port)
        self.desktop.wait_for(role="label", pattern=r"^Development  ·  \d+$")
        self.desktop.wait_for(role="label", pattern=r"^System and other  ·  \d+$")
        self.desktop.wait_for(role="label", pattern=r"^\d+ dev · \d+ other$")
        self.desktop.wait_for(role="check box", pattern=r"^\d+ exposed$")  # a filter that is on or off
        wait_until(lambda: "pid" in self.row(dev.port).description, 10, "the row's process in its description")
        self.panel_shot("e2e-panel-list")

        self.desktop.find(role="push button", name="Search ports, processes, projects")[0].press()
        self.desktop.wait_for(role="text", name="Search ports, processes, projects")
        self.desktop.type_text("zz-no-such-server")
        self.desktop.wait_for(role="label", name=NO_MATCH)
        self.panel_shot("e2e-panel-no-match")
        self.desktop.keys("Escape")
        self.desktop.wait_gone(role="label", name=NO_MATCH)
        self.row(dev.port)

        self.desktop.find(role="push button", name="History")[0].press()
        self.desktop.wait_for(role="label", name="Port History")
        self.desktop.wait_for(role="list item", pattern=rf"^{dev.port} opened ")
        self.panel_shot("e2e-panel-history")
        self.desktop.find(role="push button", name="Close")[0].press()
        self.row(dev.port)

    def test_a_server_of_root_always_asks_first_with_the_system_text(self):
        self.desktop.write_preferences(watchedPorts=1, confirmBeforeKill="false")
        server = self.desktop.listener("--dev-port", as_app_user=False)
        self.open_panel()
        self.row(server.port).press()
        self.desktop.keys("Return")
        wait_until(lambda: SYSTEM_QUESTION in self.row(server.port).name, 10, "the system question")
        self.panel_shot("e2e-panel-confirm-system")
        self.assertTrue(server.alive())
        self.desktop.keys("Escape")
        wait_until(lambda: SYSTEM_QUESTION not in self.row(server.port).name, 10, "the question withdrawn")
        self.assertTrue(server.alive())

    def test_the_gear_opens_the_settings_in_front_and_every_change_is_stored(self):
        self.desktop.write_preferences(watchedPorts=1, hiddenPorts='"3000,5432"')
        self.open_panel()
        self.desktop.find(role="push button", name="Settings")[0].press()
        settings = self.desktop.wait_for(role="frame", name="Moorix Settings")
        wait_until(lambda: not [w for w in self.desktop.app_windows() if w.width == 380], 10, "the panel to close")

        self.desktop.wait_for(role="radio button", name="10 s").press()
        wait_until(lambda: self.desktop.preferences().get("refreshInterval") == "10", 10, "refreshInterval=10")
        login = self.desktop.wait_for(role="check box", name="Start at login")
        login.press("Toggle")
        autostart = Path(self.desktop.env["XDG_CONFIG_HOME"]) / "autostart" / "com.quenvale.moorix.desktop"
        wait_until(autostart.exists, 10, "the autostart entry")
        self.desktop.wait_for(role="push button", name="Show Again").press()
        wait_until(lambda: self.desktop.preferences().get("hiddenPorts", "") in ("", '""'), 10, "no hidden ports")
        self.desktop.wait_gone(role="push button", name="Show Again")
        self.desktop.screenshot("e2e-settings", settings)


class PanelAsUser(PanelTest):
    """Run by an ordinary user, whose own servers are not system processes: the stop flows."""

    user = "nobody"

    def test_return_twice_stops_a_server_and_the_history_says_moorix_did(self):
        self.open_panel()
        server = self.recorded_listener("--dev-port")
        self.row(server.port).press()
        self.desktop.keys("Return")
        wait_until(lambda: "Stop this process?" in self.row(server.port).name, 10, "the confirmation")
        self.assertTrue(server.alive())
        self.desktop.wait_for(role="push button", name="Cancel")
        self.panel_shot("e2e-panel-confirming")
        self.desktop.keys("Return")
        self.assertIsNotNone(server.wait(10))
        wait_until(lambda: not self.rows(server.port), 15, "the row to go")
        wait_until(lambda: [e for e in self.desktop.history(server.port) if e.get("ending") == "killedByMoorix"],
                   30, "a closing by Moorix in the history")

    def test_without_confirmation_one_return_stops_it(self):
        self.desktop.write_preferences(watchedPorts=1, confirmBeforeKill="false")
        server = self.desktop.listener("--dev-port")
        self.open_panel()
        self.row(server.port).press()
        self.desktop.keys("Return")
        self.assertIsNotNone(server.wait(10))

    def test_asking_first_switched_off_with_a_click_is_stored_and_the_next_stop_stops_at_once(self):
        server = self.desktop.listener("--dev-port")
        self.open_panel()
        self.desktop.click_element(self.desktop.find(role="push button", name="Settings")[0])
        wait_until(lambda: [w for w in self.desktop.app_windows() if w.width >= 500], 10, "the settings window")
        switch = self.desktop.wait_for(role="check box", name="Ask before stopping a process")
        self.desktop.click_element(switch)
        wait_until(lambda: self.desktop.preferences().get("confirmBeforeKill") == "false", 10,
                   "confirmBeforeKill=false in the preferences")
        self.desktop.click_tray_icon()
        self.desktop.wait_keyboard(self.panel())
        self.row(server.port).press()
        self.desktop.keys("Return")
        self.assertIsNotNone(server.wait(10))

    def choose_with_the_mouse(self, row, item):
        """Right clicks a row and clicks `item` in its menu."""
        before = self.desktop.app_windows()
        self.desktop.right_click(row)
        self.desktop.choose_from_menu(before, ROW_MENU.index(item))

    def assert_labelled(self, port, label):
        wait_until(lambda: self.row(port).name.startswith(f":{port} {label} "), 10, f"the label {label}")
        self.assertIn(label, self.desktop.preferences().get("portLabels", ""))

    def test_row_menu_copies_the_port_hides_and_labels(self):
        # A refresh every second, so that typing at a person's pace spans several.
        self.desktop.write_preferences(watchedPorts=1, refreshInterval=1)
        server = self.desktop.listener("--dev-port")
        keeper = self.desktop.listener("--dev-port")
        self.open_panel()

        def choose(port, item):  # the keyboard walks the menu from the top
            self.row(port).press()
            self.desktop.keys("shift+F10")
            self.desktop.keys(*["Down"] * (ROW_MENU.index(item) + 1), "Return")

        choose(keeper.port, "Copy Port")
        wait_until(lambda: self.desktop.clipboard() == str(keeper.port), 10, "the port on the clipboard")

        choose(keeper.port, "Set Label…")
        self.desktop.wait_for(role="text", name=LABEL_EDITOR)
        self.desktop.type_text("checkout", delay=0.3)
        self.desktop.keys("Return")
        self.assert_labelled(keeper.port, "checkout")
        self.assertTrue(server.alive() and keeper.alive(), "the return that saved the label stopped nothing")

        # A button reached with Tab keeps the keyboard across refreshes.
        self.desktop.keys("Tab")
        focused = wait_until(lambda: [b for b in self.desktop.find(role="push button") if "focused" in b.states],
                             5, "a button with the keyboard")[0]
        time.sleep(2.5)
        self.assertIn("focused", focused.refresh().states, "a refresh took the keyboard off the button")

        choose(server.port, "Hide Port")
        self.desktop.wait_gone(role="list item", pattern=rf"^:{server.port}( |$)")
        self.assertEqual(self.desktop.preferences().get("hiddenPorts"), str(server.port))

    def test_a_label_chosen_with_the_mouse_and_typed_slowly_is_kept(self):
        self.desktop.write_preferences(watchedPorts=1, refreshInterval=1)
        first = self.desktop.listener("--dev-port")
        second = self.desktop.listener("--dev-port")
        self.open_panel()
        self.choose_with_the_mouse(self.row(first.port), "Set Label…")
        self.desktop.wait_for(role="text", name=LABEL_EDITOR)
        self.desktop.type_text("checkout", delay=0.3)
        self.desktop.screenshot("e2e-panel-label-typing", self.panel())
        self.desktop.keys("Return")
        self.assert_labelled(first.port, "checkout")

        # Clicked into, the editor has the keyboard too.
        self.choose_with_the_mouse(self.row(second.port), "Set Label…")
        editor = self.desktop.wait_for(role="text", name=LABEL_EDITOR)
        self.desktop.click_element(editor)
        self.desktop.type_text("web", delay=0.3)
        wait_until(lambda: editor.text() == "web", 5, lambda: f"'web' in the editor, not {editor.text()!r}")
        self.desktop.keys("Return")
        self.assert_labelled(second.port, "web")

    def test_only_the_row_under_the_pointer_offers_stop(self):
        # A short list, so that it scrolls.
        self.desktop.write_preferences(watchedPorts=1, panelMaxHeight=150)
        servers = [self.desktop.listener("--dev-port") for _ in range(5)]
        self.open_panel()
        for server in servers:
            self.row(server.port)

        def stray_stops():
            """Rows that offer Stop while the pointer is elsewhere."""
            px, py = self.desktop.pointer()
            stops = [stop.extents() for stop in self.desktop.find(role="push button", name="Stop")]
            stray = []
            for row in self.desktop.find(role="list item"):
                x, y, w, h = row.extents()
                offers = any(y <= sy + sh // 2 < y + h for _, sy, _, sh in stops)
                if offers and not (x <= px < x + w and y <= py < y + h):
                    stray.append(row)
            return stray

        def hover_top_row():  # the list is scrolled to its top
            top = self.desktop.find(role="list item")[0]
            self.desktop.hover(top)
            wait_until(lambda: self.desktop.find(role="push button", name="Stop"), 5, "the hovered row's Stop")
            return top

        # A menu line lower down lies over another row; the one clicked keeps no hover once it closes.
        self.choose_with_the_mouse(hover_top_row(), "Watch Port")
        time.sleep(0.5)
        self.assertEqual(stray_stops(), [], "hover left behind by the menu")
        self.desktop.scroll(hover_top_row(), steps=1)
        time.sleep(0.5)
        self.assertEqual(stray_stops(), [], "hover left behind by scrolling")

    def test_restart_brings_a_dev_tree_back_in_its_folder(self):
        folder = Path(tempfile.mkdtemp(prefix="moorix shop ", dir=self.desktop.root))
        os.chmod(folder, 0o755)
        probe = self.desktop.listener("--dev-port")  # a free port to serve on, once this ends
        port = probe.port
        probe.stop()
        (folder / "node").symlink_to("/usr/bin/python3")
        npm = folder / "npm"
        npm.write_text("#!/bin/sh\n"
                       "trap 'kill $child; exit 0' TERM\n"
                       f'"$(dirname "$0")/node" "{self.desktop.listener_script}" --port {port} &\n'
                       "child=$!\nwait $child\n")
        npm.chmod(npm.stat().st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)
        self.desktop.own(folder)
        self.desktop.own(npm)
        wrapper = self.desktop.spawn("npm", [str(npm)], cwd=str(folder))
        self.open_panel()
        first = self.row(port)
        pid_before = re.search(r"pid (\d+)", first.description).group(1)
        first.press()
        self.desktop.keys("shift+F10", *["Down"] * 6, "Return")
        wait_until(lambda: "Restart the process tree?" in self.row(port).name, 10, "the restart question")
        self.desktop.keys("Return")
        self.assertIsNotNone(wrapper.wait(10))

        def restarted():
            rows = self.rows(port)
            found = rows and re.search(r"pid (\d+)", rows[0].description)
            return found and found.group(1) != pid_before and found.group(1)
        pid_after = wait_until(restarted, 30, "the port back under a new process")
        self.assertEqual(os.readlink(f"/proc/{pid_after}/cwd"), str(folder))
        os.kill(int(pid_after), 9)


if __name__ == "__main__":
    unittest.main()
