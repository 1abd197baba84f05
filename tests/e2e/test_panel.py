"""The panel, opened from the tray icon: rows, counts, search, history, row actions, stops and settings."""
import os
import re
import tempfile
import unittest
from pathlib import Path

from desktop import PYTHON, DesktopTest, wait_until

LABEL_EDITOR = "Label for this port"
# Menu lines of an ordinary user's server with a folder.
ROW_MENU = ["Open in Browser", "Open in", "Set Label…", "Watch Port", "Hide Port", "Restart",
            "Stop Process Tree", "Force Stop", "Copy URL", "Copy Port"]


class PanelTest(DesktopTest):
    def start_with_panel(self, **preferences):
        """Starts the application with these preferences and opens its panel; a watched port that never
        opens makes the sampler tick every 5 seconds instead of 10."""
        self.desktop.write_preferences(watchedPorts=1, **preferences)
        self.start_app()
        self.open_panel()

    def row(self, port):
        return self.desktop.wait_for(30, role="list item", pattern=rf"^:{port}( |$)")

    def pid(self, port):
        return wait_until(lambda: re.search(r"pid (\d+)", self.row(port).description), 10, "the row's pid").group(1)

    def choose_with_keys(self, port, item):
        """Chooses a line of a row's menu with the keyboard, which walks the menu from the top."""
        self.row(port).press()
        self.desktop.keys("shift+F10", *["Down"] * (ROW_MENU.index(item) + 1), "Return")


class Panel(PanelTest):
    """Run by root, whose every server is a system process: what a user sees and reads."""

    def test_rows_sections_counts_search_and_the_system_question(self):
        # A system process is asked about even with asking first switched off.
        self.start_with_panel(confirmBeforeKill="false")
        dev = self.desktop.listener("--dev-port", "--serve", "http200")
        self.row(self.desktop.listener("--host", "::1", "--dev-port").port)
        # Among other servers of the machine's, this one may lie below what shows: the counts tell of it.
        self.desktop.listener("--host", "0.0.0.0", "--port", "0")
        for role, pattern in (("label", r"^Development  ·  \d+$"), ("label", r"^System and other  ·  \d+$"),
                              ("label", r"^\d+ dev · \d+ other$"), ("check box", r"^\d+ exposed$")):
            self.desktop.wait_for(role=role, pattern=pattern)
        self.pid(dev.port)

        self.desktop.find(role="push button", name="Search ports, processes, projects")[0].press()
        self.desktop.wait_for(role="text", name="Search ports, processes, projects")
        self.desktop.type_text("zz-no-such-server")
        self.desktop.wait_for(role="label", name="No ports match your search")
        self.desktop.screenshot("e2e-panel-no-match", self.desktop.panel())
        self.desktop.keys("Escape")
        self.desktop.wait_gone(role="label", name="No ports match your search")

        self.row(dev.port).press()
        self.desktop.keys("Return")
        question = "This is a system process. Stop it anyway?"
        wait_until(lambda: question in self.row(dev.port).name, 10, "the system question")
        self.desktop.screenshot("e2e-panel-confirm-system", self.desktop.panel())
        self.desktop.keys("Escape")
        wait_until(lambda: question not in self.row(dev.port).name, 10, "the question withdrawn")
        self.assertTrue(dev.alive())


class PanelAsUser(PanelTest):
    """Run by an ordinary user, whose own servers are not system processes: the stop flows and row actions."""

    user = "nobody"

    def test_one_return_stops_until_asking_first_is_switched_on_in_the_settings(self):
        self.start_with_panel(confirmBeforeKill="false", hiddenPorts='"3000,5432"')
        first = self.desktop.listener("--dev-port")
        self.row(first.port).press()
        self.desktop.keys("Return")
        self.assertIsNotNone(first.wait(10))

        # The gear opens the settings in front of the panel, which closes; every change there is stored.
        self.desktop.click(self.desktop.find(role="push button", name="Settings")[0])
        settings = self.desktop.wait_for(role="frame", name="Moorix Settings")
        wait_until(lambda: not self.desktop.panel(), 10, "the panel to close")
        last = self.desktop.wait_for(role="push button", name="Show Again")
        window, button = settings.extents(), last.extents()
        # The last row's button, with the row's own margin below it, inside the window's content.
        self.assertLessEqual(button[1] + button[3] + 12, window[1] + window[3],
                             f"the last row is cut off: {button} in {window}")
        autostart = Path(self.desktop.env["XDG_CONFIG_HOME"]) / "autostart" / "com.quenvale.moorix.desktop"
        stored = self.desktop.preferences
        for role, name, changed in (
                ("radio button", "2 s", lambda: stored().get("refreshInterval") == "2"),
                ("check box", "Start at login", autostart.exists),
                ("check box", "Ask before stopping a process", lambda: stored().get("confirmBeforeKill") == "true"),
                ("push button", "Show Again", lambda: stored().get("hiddenPorts") in ("", '""'))):
            self.desktop.click(self.desktop.wait_for(role=role, name=name))
            wait_until(changed, 10, f"what a click on {name} changes, stored")
        # Closed as users close windows, the settings leave the application running in the tray.
        self.desktop.keys("alt+F4")
        self.desktop.wait_gone(role="frame", name="Moorix Settings")

        self.open_panel()
        # Long after the sampler's first look, which only takes note of what is open: its opening is recorded.
        second = self.desktop.listener("--dev-port")
        wait_until(lambda: self.desktop.history(second.port), 30, "the opening in the history")
        self.row(second.port).press()
        self.desktop.keys("Return")
        wait_until(lambda: "Stop this process?" in self.row(second.port).name, 10, "the confirmation")
        self.desktop.wait_for(role="push button", name="Cancel")
        self.assertTrue(second.alive())
        self.desktop.keys("Return")
        self.assertIsNotNone(second.wait(10))
        self.desktop.wait_gone(role="list item", pattern=rf"^:{second.port}( |$)")
        wait_until(lambda: [e for e in self.desktop.history(second.port) if e.get("ending") == "killedByMoorix"],
                   30, "a closing by Moorix in the history")
        self.desktop.find(role="push button", name="History")[0].press()
        self.desktop.wait_for(role="list item", pattern=rf"^{second.port} opened ")

    def assert_labelled(self, port, label):
        wait_until(lambda: self.row(port).name.startswith(f":{port} {label} "), 10, f"the label {label}")
        self.assertIn(label, self.desktop.preferences().get("portLabels", ""))

    def test_labels_typed_slowly_across_refreshes_and_the_row_menu_with_mouse_and_keys(self):
        first, second, third = (self.desktop.listener("--dev-port") for _ in range(3))
        # A refresh every second, so that typing at a person's pace spans several.
        self.start_with_panel(refreshInterval=1)
        self.desktop.choose_from_menu(self.row(first.port), ROW_MENU.index("Set Label…"))
        self.desktop.wait_for(role="text", name=LABEL_EDITOR)
        self.desktop.type_text("check", delay=0.3)
        self.row(self.desktop.listener("--dev-port").port)  # a refresh that changes the list, mid-word
        self.desktop.type_text("out", delay=0.3)
        self.desktop.screenshot("e2e-panel-label-typing", self.desktop.panel())
        self.desktop.keys("Return")
        self.assert_labelled(first.port, "checkout")
        # Clicked into, the editor has the keyboard too.
        self.desktop.choose_from_menu(self.row(second.port), ROW_MENU.index("Set Label…"))
        self.desktop.click(self.desktop.wait_for(role="text", name=LABEL_EDITOR))
        self.desktop.type_text("web", delay=0.3)
        self.desktop.keys("Return")
        self.assert_labelled(second.port, "web")

        self.choose_with_keys(third.port, "Copy Port")
        wait_until(lambda: self.desktop.run_x("xclip", "-o", "-selection", "clipboard") == str(third.port), 10,
                   "the port on the clipboard")
        self.choose_with_keys(third.port, "Set Label…")
        self.desktop.wait_for(role="text", name=LABEL_EDITOR)
        self.desktop.type_text("api", delay=0.3)
        self.desktop.keys("Return")
        self.assert_labelled(third.port, "api")
        self.assertTrue(all(server.alive() for server in (first, second, third)),
                        "the return that saved a label stopped a server")

        # A button reached with Tab keeps the keyboard across a refresh that changes the list.
        self.desktop.keys("Tab")
        focused = wait_until(lambda: [b for b in self.desktop.find(role="push button") if "focused" in b.states],
                             5, "a button with the keyboard")[0]
        self.row(self.desktop.listener("--dev-port").port)
        self.assertIn("focused", focused.refresh().states, "a refresh took the keyboard off the button")

        self.choose_with_keys(third.port, "Hide Port")
        self.desktop.wait_gone(role="list item", pattern=rf"^:{third.port}( |$)")
        self.assertEqual(self.desktop.preferences().get("hiddenPorts"), str(third.port))

    def test_only_the_row_under_the_pointer_offers_stop(self):
        servers = [self.desktop.listener("--dev-port") for _ in range(5)]
        # A short list, so that it scrolls.
        self.start_with_panel(panelMaxHeight=150)
        for server in servers:
            self.row(server.port)

        def stray_stops():
            """Stop buttons beside the rows the pointer is not over."""
            pointer_y = self.desktop.pointer()[1]
            under = [(y, y + h) for _, y, _, h in (row.extents() for row in self.desktop.find(role="list item"))
                     if y <= pointer_y < y + h]
            return [stop for stop in self.desktop.find(role="push button", name="Stop")
                    if not any(top <= stop.centre()[1] < bottom for top, bottom in under)]

        def hover_top_row():  # the list is scrolled to its top
            top = self.desktop.find(role="list item")[0]
            self.desktop.point(*top.centre())
            wait_until(lambda: self.desktop.find(role="push button", name="Stop"), 5, "the hovered row's Stop")
            return top

        # A menu line lower down lies over another row; the one clicked keeps no hover once it closes.
        top = hover_top_row()
        self.desktop.choose_from_menu(top, ROW_MENU.index("Watch Port"))
        port = re.match(r":(\d+)", top.name).group(1)
        wait_until(lambda: port in self.desktop.preferences().get("watchedPorts", ""), 10, "the port watched")
        self.assertEqual(stray_stops(), [], "hover left behind by the menu")
        top = hover_top_row()
        where = top.extents()
        self.desktop.click(top, 5)
        wait_until(lambda: top.extents() != where, 5, "the list to scroll")
        self.assertEqual(stray_stops(), [], "hover left behind by scrolling")

    def test_restart_brings_a_dev_tree_back_in_its_folder(self):
        folder = Path(tempfile.mkdtemp(prefix="moorix shop ", dir=self.desktop.root))
        folder.chmod(0o755)
        for name, program in (("npm", "/bin/sh"), ("node", PYTHON)):  # known by those names
            (folder / name).symlink_to(program)
        probe = self.desktop.listener("--dev-port")  # a free port to serve on, once this ends
        probe.stop()
        # As npm does, it passes a stop on to its child.
        listener = self.desktop.bin["listener.py"]
        npm = self.desktop.spawn("npm", [folder / "npm", "-c", f"trap 'kill $child' TERM; ./node '{listener}' "
                                         f"--port {probe.port} & child=$!; wait"], cwd=folder)
        self.start_with_panel()
        before = self.pid(probe.port)
        self.choose_with_keys(probe.port, "Restart")
        wait_until(lambda: "Restart the process tree?" in self.row(probe.port).name, 10, "the restart question")
        self.desktop.keys("Return")
        self.assertIsNotNone(npm.wait(10))
        wait_until(lambda: self.pid(probe.port) != before, 30, "the port back under a new process")
        self.assertEqual(os.readlink(f"/proc/{self.pid(probe.port)}/cwd"), str(folder))


if __name__ == "__main__":
    unittest.main()
