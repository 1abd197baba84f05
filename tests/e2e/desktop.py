"""End-to-end tests of the real Moorix application through the accessibility interface (AT-SPI), the
way a screen reader or a black-box tester sees it.

A `Desktop` is a private X display (Xvfb) with a real window manager (metacity), optionally a system tray
(trayer), a session bus of its own, the accessibility bus launcher, and an agent that reads the
accessibility tree (atspi_agent.py); or, with `wayland`, a headless Wayland compositor (weston) in place of
the X display and its window manager. `status_notifier` adds the tray that modern desktops speak over
D-Bus (status_notifier_watcher.py), whose item the test drives as that tray would (`status_item`). Tests
start the application on it, find elements by role and name, press them, click and right click them, type
keys, click the tray icon, read the clipboard, the preferences file and the history, and take
screenshots. Everything the desktop
starts is ended by `stop()`, even when a test fails: processes run in one process group, and anything
that left it is still found by a marker in its environment.

A desktop can run the application as another user (`user="nobody"`), since every process root starts
is system-critical to Moorix. That needs root. The application, its session bus, the agent and
listeners then run as that user, with their own HOME, while X tools and the test itself stay root.

Run every end-to-end test:  ctest --test-dir build-test -L e2e --output-on-failure
Run one by hand:  /usr/bin/python3 tests/e2e/test_app_shell.py -v NoTray.test_quit_button_ends_the_app
  MOORIX_BINARY (default build-test/moorix) picks the executable, MOORIX_SCREENSHOT_DIR (default
  screenshots/ beside it) the screenshot folder, and MOORIX_E2E_KEEP=1 keeps the desktop's temporary
  folder (HOME, logs/ of Xvfb, the buses and the agent) for a look after the run.
Use Debian's /usr/bin/python3: python3-pyatspi is installed for it only.

Worth knowing when writing a test: Qt leaves Qt::Popup windows and menus out of the tree (drive them with
keys, or click where their lines are); nothing hands a window the keyboard but the window manager and the
application itself, as on a user's desktop, so a test reaches a window by clicking or by keys, and
`wait_keyboard()` only checks where the keyboard is; `find` sees only what is on screen unless told
otherwise; and an application run as another user lists only that user's sockets.
"""
import atexit
import collections
import configparser
import json
import os
import pwd
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

HERE = Path(__file__).resolve().parent
SUPPORT = HERE.parent / "support"
MOORIX = Path(os.environ.get("MOORIX_BINARY", HERE.parent.parent / "build-test" / "moorix"))
SCREENSHOTS = Path(os.environ.get("MOORIX_SCREENSHOT_DIR", MOORIX.parent / "screenshots"))
PYTHON = "/usr/bin/python3"
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
WINDOW_MANAGER = "/usr/bin/metacity"
WESTON = "/usr/bin/weston"
TOOLS = ["/usr/bin/Xvfb", "/usr/bin/xdotool", "/usr/bin/xclip", "/usr/bin/xwd", "/usr/bin/xprop", "/usr/bin/xev",
         "/usr/bin/dbus-daemon", WINDOW_MANAGER, LAUNCHER]


def wait_until(condition, timeout=20, message="condition", interval=0.1):
    """Polls `condition` until it returns something true, and returns that; fails the test after
    `timeout` seconds. `message` may be a function, called for the failure text."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            what = message() if callable(message) else message
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def read_line(stream, timeout):
    """The next line of a pipe, without its newline; None at its end or after `timeout` seconds."""
    line = b""
    deadline = time.monotonic() + timeout
    while not line.endswith(b"\n"):
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([stream], [], [], left)[0]:
            return None
        byte = os.read(stream.fileno(), 1)
        if not byte:
            return None
        line += byte
    return line[:-1].decode()


Window = collections.namedtuple("Window", "id x y width height")


class Process:
    """A program the desktop started."""

    def __init__(self, name, popen):
        self.name, self.popen, self.pid = name, popen, popen.pid

    def alive(self):
        return self.popen.poll() is None

    def user(self):
        """The name of the user the program runs as."""
        return pwd.getpwuid(os.stat(f"/proc/{self.pid}").st_uid).pw_name

    def wait(self, timeout=20):
        """The exit status once the program ended by itself; fails the test when it does not."""
        try:
            return self.popen.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"{self.name} still runs after {timeout} s") from None

    def stop(self, timeout=5):
        if self.alive():
            self.popen.terminate()
            try:
                self.popen.wait(timeout)
            except subprocess.TimeoutExpired:
                self.popen.kill()
                self.popen.wait()
        for stream in (self.popen.stdin, self.popen.stdout):
            if stream:
                stream.close()


class Listener(Process):
    """A loopback server from tests/support/listener.py; `port` is where it listens."""

    def __init__(self, popen, options):
        super().__init__("listener " + " ".join(options), popen)
        line = read_line(popen.stdout, 10)
        if not line:
            self.stop()
            raise AssertionError(f"{self.name} did not start listening")
        self.port = int(line)


class Element:
    """One element of the accessibility tree, as it was when it was read: `role` ("push button",
    "label", "list item"…), `name`, `description` and `states` ("showing", "focused", "checked"…)."""

    def __init__(self, agent, info):
        self._agent = agent
        self.id, self.role, self.name = info["id"], info["role"], info["name"]
        self.description, self.states = info["description"], frozenset(info["states"])

    def __repr__(self):
        return f"<{self.role} {self.name!r}>"

    def refresh(self):
        return Element(self._agent, self._agent.call("info", id=self.id))

    def children(self):
        return [Element(self._agent, info) for info in self._agent.call("children", id=self.id)]

    def find(self, **query):
        return self._agent.find(within=self.id, **query)

    def wait_for(self, timeout=20, **query):
        return self._agent.wait_for(timeout, within=self.id, **query)

    def press(self, action="Press"):
        """Runs one of the element's actions ("Press", "Toggle", "SetFocus"…), as a screen reader does."""
        if not self._agent.call("action", id=self.id, name=action):
            raise AssertionError(f"{self} has no action {action!r}")

    def focus(self):
        return self._agent.call("focus", id=self.id)

    def select(self):
        """Selects the element in its parent (a row in a list)."""
        return self._agent.call("select", id=self.id)

    def text(self):
        return self._agent.call("text", id=self.id)

    def set_text(self, text):
        return self._agent.call("set_text", id=self.id, text=text)

    def value(self):
        return self._agent.call("value", id=self.id)

    def extents(self):
        """(x, y, width, height) on the screen."""
        return tuple(self._agent.call("extents", id=self.id))

    def tree(self):
        return self._agent.tree(self.id)


class Agent:
    """The accessibility reader, started as the application's user on its session bus."""

    def __init__(self, process, app_name):
        self.process, self.app_name = process, app_name

    def call(self, op, **arguments):
        self.process.popen.stdin.write((json.dumps({"op": op, **arguments}) + "\n").encode())
        self.process.popen.stdin.flush()
        line = read_line(self.process.popen.stdout, 30)
        if line is None:
            raise AssertionError(f"the accessibility agent gave no answer to {op}")
        answer = json.loads(line)
        if "error" in answer:
            raise AssertionError(f"{op}: {answer['error']}")
        return answer["result"]

    def find(self, role=None, name=None, pattern=None, within=None, showing=True):
        """Every element, in tree order, with that role and exact name, or whose name matches the regular
        expression `pattern`; None matches anything. Only elements on screen unless `showing` is False."""
        infos = self.call("find", role=role, name=name, pattern=pattern, within=within, showing=showing,
                          app=self.app_name)
        return [Element(self, info) for info in infos]

    def wait_for(self, timeout=20, **query):
        found = wait_until(lambda: self.find(**query), timeout, lambda: f"{query} in\n{self.tree()}")
        return found[0]

    def wait_gone(self, timeout=20, **query):
        wait_until(lambda: not self.find(**query), timeout, lambda: f"no more {query} in\n{self.tree()}")

    def tree(self, within=None):
        """The tree as indented text, for failure messages: of one element, or of every application."""
        return self.call("tree", within=within, app=None)


class StatusItem:
    """A StatusNotifierItem on the session bus: its properties, its methods, and the menu it exports."""

    INTERFACE = "org.kde.StatusNotifierItem"

    def __init__(self, bus, name):
        import dbus
        self._dbus, self.name = dbus, name
        self._bus, self._item = bus, bus.get_object(name, "/StatusNotifierItem")

    def get(self, name):
        return self._item.Get(self.INTERFACE, name, dbus_interface=self._dbus.PROPERTIES_IFACE)

    def call(self, method, *arguments):
        return getattr(self._item, method)(*arguments, dbus_interface=self.INTERFACE)

    def menu(self):
        """The exported menu's items, {label: id}, with mnemonics' underscores removed."""
        menu = self._bus.get_object(self.name, self.get("Menu"))
        _, (_, _, children) = menu.GetLayout(0, -1, ["label"], dbus_interface="com.canonical.dbusmenu")
        return {str(properties.get("label", "")).replace("_", ""): int(item_id)
                for item_id, properties, _ in children}

    def choose(self, item_id):
        """Clicks a menu item, as the tray does when the user picks it."""
        menu = self._bus.get_object(self.name, self.get("Menu"))
        menu.Event(item_id, "clicked", self._dbus.Int32(0, variant_level=1), self._dbus.UInt32(0),
                   dbus_interface="com.canonical.dbusmenu")


class Desktop:
    def __init__(self, tray=True, user=None, size="1024x768", wayland=False, status_notifier=False):
        self.tray, self.size, self.wayland, self.status_notifier = tray, size, wayland, status_notifier
        self.watcher = None
        self.account = pwd.getpwnam(user) if user else None
        self.agent = None
        self._processes = []
        self._group = 0
        self.root = None

    # -- Start and stop --------------------------------------------------------------------------------
    def start(self):
        tools = ([WESTON, "/usr/bin/dbus-daemon", LAUNCHER] if self.wayland else TOOLS)
        tools += ["/usr/bin/trayer"] if self.tray else []
        if self.status_notifier:
            try:
                __import__("dbus")
            except ImportError:
                raise unittest.SkipTest("python3-dbus not installed; run scripts/install-deps") from None
        missing = [tool for tool in tools if not os.access(tool, os.X_OK)]
        if missing:
            raise unittest.SkipTest(f"{', '.join(missing)} not installed; run scripts/install-deps")
        if not MOORIX.exists():
            raise unittest.SkipTest(f"{MOORIX} is not built")
        if self.account and os.geteuid() != 0:
            raise unittest.SkipTest(f"only root can run the application as {self.account.pw_name}")
        _running.add(self)
        try:
            self._start()
        except BaseException:
            for log in sorted(self.logs.glob("*.log")) if self.root else []:
                print(f"--- {log.name}\n{log.read_text()[-2000:]}", file=sys.stderr)
            self.stop()
            raise
        return self

    def _start(self):
        self.root = Path(tempfile.mkdtemp(prefix="moorix-e2e-"))
        self.logs = self.root / "logs"
        self.logs.mkdir()
        self.notify_log = self.root / "notifications"
        self._stage()
        self.env = {
            "PATH": "/usr/local/bin:/usr/bin:/bin", "LANG": "en_US.UTF-8", "LANGUAGE": "en",
            "XDG_RUNTIME_DIR": str(self.root / "runtime"),
            # Every process of this desktop carries this, so that stop() can find those that left its group.
            "MOORIX_E2E_DESKTOP": str(self.root),
        }
        self._mkdir(self.root / "runtime", 0o700)
        if self.wayland:
            self._start_compositor()
        else:
            self._start_x()
        self.reset_user_data()
        self.env.update({name: value for name, value in os.environ.items() if name.endswith("SAN_OPTIONS")})
        runtime = self.env["XDG_RUNTIME_DIR"]
        bus = self._spawn("session bus", ["/usr/bin/dbus-daemon", "--session", "--nofork",
                                          "--print-address=1", "--address=unix:dir=" + runtime],
                          stdout=subprocess.PIPE)
        address = read_line(bus.popen.stdout, 20)
        if not address:
            raise RuntimeError("the session bus did not start; its log is above")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        if self.status_notifier:
            self.watcher = self._spawn("tray watcher", [PYTHON, str(self.watcher_script)], stdout=subprocess.PIPE)
            if read_line(self.watcher.popen.stdout, 20) != "ready":
                raise RuntimeError("the status notifier watcher did not start; its log is above")
        if not self.wayland:
            self._start_window_manager()
        if self.tray:
            tray = self._spawn("trayer", ["/usr/bin/trayer", "--edge", "top", "--align", "right",
                                          "--widthtype", "request", "--height", "22"], as_user=False)
            wait_until(lambda: self.windows("--classname", "trayer") or not tray.alive(), 20,
                       "trayer's window")
            if not tray.alive():
                raise RuntimeError("trayer ended; its log is above")
        self._spawn("at-spi bus", [LAUNCHER, "--launch-immediately"])
        agent = self._spawn("agent", [PYTHON, str(self.agent_script)], stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE)
        if not read_line(agent.popen.stdout, 30):
            raise RuntimeError("the accessibility agent did not start; its log is above")
        self.agent = Agent(agent, "Moorix")

    def _start_window_manager(self):
        """Starts metacity on the display, after the session bus so that it uses this desktop's bus and
        never launches one of its own. Its settings live in memory: nothing of the user's or the
        machine's is read or written."""
        manager = self._spawn("metacity", [WINDOW_MANAGER, "--replace"], as_user=False,
                              env={**self.env, "GSETTINGS_BACKEND": "memory"})

        def managing():
            check = self.run_x("/usr/bin/xprop", "-root", "_NET_SUPPORTING_WM_CHECK") or ""
            return "window id" in check or not manager.alive()
        wait_until(managing, 20, "metacity to manage the display")
        if not manager.alive():
            raise RuntimeError("metacity ended; its log is above")

    def _start_x(self):
        # -ac lets another user's application in; -noreset keeps the server up when its clients come and go
        # (a client left over from another run that used the same display number would otherwise make it
        # reset while trayer connects).
        server = self._spawn("Xvfb", ["/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", self.size + "x24",
                                      "-nolisten", "tcp", "-ac", "-noreset"],
                             as_user=False, stdout=subprocess.PIPE)
        self._group = server.pid
        number = read_line(server.popen.stdout, 20)
        if not number:
            raise RuntimeError("Xvfb did not start; its log is above")
        self.display = self.env["DISPLAY"] = ":" + number

    def _start_compositor(self):
        """Weston without a screen, its socket in the desktop's own runtime folder; the application runs on
        it natively (Qt's wayland platform)."""
        width, height = self.size.split("x")
        compositor = self._spawn("weston", [WESTON, "--backend=headless-backend.so", "--socket=wayland-moorix",
                                            f"--width={width}", f"--height={height}", "--idle-time=0"])
        self._group = compositor.pid
        socket = self.root / "runtime" / "wayland-moorix"
        wait_until(lambda: socket.exists() or not compositor.alive(), 20, "weston's socket")
        if not compositor.alive():
            raise RuntimeError("weston ended; its log is above")
        self.env.update({"WAYLAND_DISPLAY": "wayland-moorix", "QT_QPA_PLATFORM": "wayland"})

    def stop(self):
        """Ends everything this desktop started, and removes its folder."""
        _running.discard(self)
        if self.agent:
            self.agent.process.popen.stdin.close()
        if self._group:
            self._signal_group(signal.SIGTERM)
            deadline = time.monotonic() + 5
            for process in self._processes:
                try:
                    process.popen.wait(max(0.1, deadline - time.monotonic()))
                except subprocess.TimeoutExpired:
                    pass
            self._signal_group(signal.SIGKILL)
        for process in self._processes:
            process.stop()
        if self.root:
            for pid in self._members():
                os.kill(pid, signal.SIGKILL)
            if os.environ.get("MOORIX_E2E_KEEP"):
                print(f"desktop kept in {self.root}")
            else:
                shutil.rmtree(self.root, ignore_errors=True)
        self._processes, self._group, self.agent, self.root, self.watcher = [], 0, None, None, None

    def _signal_group(self, number):
        try:
            os.killpg(self._group, number)
        except ProcessLookupError:
            pass

    def _members(self):
        """Live processes that carry this desktop's marker, wherever they are now."""
        marker = f"MOORIX_E2E_DESKTOP={self.root}".encode()
        for entry in os.listdir("/proc"):
            try:
                with open(f"/proc/{entry}/environ", "rb") as environ:
                    if marker not in environ.read().split(b"\0"):
                        continue
                with open(f"/proc/{entry}/stat") as stat:
                    if stat.read().rsplit(")", 1)[1].split()[0] != "Z":
                        yield int(entry)
            except (OSError, IndexError):
                continue

    def __enter__(self):
        return self.start()

    def __exit__(self, *error):
        self.stop()

    # -- Processes and files ---------------------------------------------------------------------------
    def _popen(self, name, argv, as_user=True, env=None, stdin=subprocess.DEVNULL, stdout="log", cwd=None):
        """Starts a program in the desktop's process group, as the desktop's user unless `as_user` is
        False. Its output goes to logs/NAME.log, to a pipe (stdout=PIPE, errors to the log) or to the
        test's own output (stdout=None)."""
        log = open(self.logs / (name.replace(" ", "-") + ".log"), "ab")
        options = {}
        if as_user and self.account:
            options = {"user": self.account.pw_uid, "group": self.account.pw_gid, "extra_groups": []}
        try:
            errors = None if stdout is None else log
            output = log if stdout == "log" else stdout
            return subprocess.Popen(argv, env=env or self.env, stdin=stdin, stdout=output, stderr=errors,
                                    process_group=self._group, cwd=cwd or self.root, **options)
        finally:
            log.close()

    def _spawn(self, name, argv, **options):
        process = Process(name, self._popen(name, argv, **options))
        self._processes.append(process)
        return process

    def spawn(self, name, argv, cwd=None):
        """Starts a program of the test's as the application's user, in `cwd`; ended with the desktop."""
        return self._spawn(name, argv, cwd=cwd, stdout="log")

    def own(self, path):
        """Hands a file or folder the test made to the application's user."""
        self._own(path)

    def _mkdir(self, path, mode=0o755):
        path.mkdir(mode=mode, parents=True, exist_ok=True)
        self._own(path)

    def _own(self, path):
        if self.account:
            os.chown(path, self.account.pw_uid, self.account.pw_gid)

    def _stage(self):
        """Puts what runs as the desktop's user where that user can read it. The build and source folders
        may sit under a folder only root can enter, so another user gets a copy of the executable with
        the desktop program and resource bundle beside it, and of the scripts."""
        self.root.chmod(0o755)
        self._own(self.root)
        self.notify_log.touch()
        self._own(self.notify_log)
        self.moorix, self.agent_script = MOORIX, HERE / "atspi_agent.py"
        self.listener_script = SUPPORT / "listener.py"
        self.watcher_script = HERE / "status_notifier_watcher.py"
        self.notify = self.root / "notify"
        self.notify.write_text(f"#!/bin/sh\nprintf '%s\\n' \"$*\" >> '{self.notify_log}'\n")
        self.notify.chmod(0o755)
        if not self.account:
            return
        staged = self.root / "bin"
        staged.mkdir()
        for item in [MOORIX, MOORIX.parent / "moorix-desktop", self.agent_script, self.listener_script,
                     self.watcher_script]:
            shutil.copy(item, staged)
        for bundle in MOORIX.parent.glob("*.bundle"):
            shutil.copytree(bundle, staged / bundle.name)
        for item in [staged, *staged.rglob("*")]:
            item.chmod(0o755 if item.is_dir() or item.suffix in ("", ".py") else 0o644)
        self.moorix, self.agent_script = staged / MOORIX.name, staged / self.agent_script.name
        self.listener_script = staged / self.listener_script.name
        self.watcher_script = staged / self.watcher_script.name

    def reset_user_data(self):
        """A fresh HOME with empty XDG folders: no preferences, no history."""
        home = self.root / "home"
        shutil.rmtree(home, ignore_errors=True)
        self._mkdir(home, 0o700)
        folders = {"XDG_DATA_HOME": ".local/share", "XDG_CONFIG_HOME": ".config", "XDG_CACHE_HOME": ".cache",
                   "XDG_STATE_HOME": ".local/state"}
        self._mkdir(home / ".local")
        for variable, folder in folders.items():
            self._mkdir(home / folder, 0o700)
            self.env[variable] = str(home / folder)
        self.env["HOME"] = str(home)
        self.notify_log.write_text("")

    # -- The application -------------------------------------------------------------------------------
    def start_app(self, *arguments, env=None):
        """Starts moorix with accessibility on and notifications going to `notifications()`. Its output
        goes to the test's output, where sanitizer reports show."""
        # GCC 12's sanitizer runtime can take a dynamically loaded library's TLS block for an old glibc
        # header, and LeakSanitizer's tracer then crashes as the application exits (about one exit in 30).
        sanitizer = ":".join(filter(None, [self.env.get("ASAN_OPTIONS"), "intercept_tls_get_addr=0"]))
        app_env = {**self.env, "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", "ASAN_OPTIONS": sanitizer,
                   "MOORIX_TEST_NOTIFY": str(self.notify), **(env or {})}
        return self._spawn("moorix", [str(self.moorix), *arguments], env=app_env, stdout=None)

    def listener(self, *options, as_app_user=True):
        """A loopback server (tests/support/listener.py OPTIONS…), run by the application's user unless
        `as_app_user` is False, when it runs as the test's own user (root in CI)."""
        argv = [PYTHON, str(self.listener_script), *options]
        popen = self._popen("listener", argv, as_user=as_app_user, stdout=subprocess.PIPE)
        listener = Listener(popen, options)
        self._processes.append(listener)
        return listener

    # -- Accessibility -----------------------------------------------------------------------------------
    def find(self, **query):
        """Elements of the application's tree; see Agent.find for the query."""
        return self.agent.find(**query)

    def wait_for(self, timeout=20, **query):
        """The first element that matches, once there is one."""
        return self.agent.wait_for(timeout, **query)

    def wait_gone(self, timeout=20, **query):
        self.agent.wait_gone(timeout, **query)

    def tree(self):
        """Every application's tree as text, for failure messages."""
        return self.agent.tree()

    # -- X: windows, tray, keys, clipboard, screenshots -------------------------------------------------
    def run_x(self, *arguments, timeout=10):
        """Runs an X tool on this display as the test's user; its output, or None when it failed."""
        result = subprocess.run(list(arguments), env=self.env, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, timeout=timeout, check=False)
        return result.stdout.decode() if result.returncode == 0 else None

    def windows(self, *query):
        """The windows that `xdotool search QUERY…` finds, with where they are on the screen."""
        found = []
        for window in (self.run_x("/usr/bin/xdotool", "search", *query) or "").split():
            shell = self.run_x("/usr/bin/xdotool", "getwindowgeometry", "--shell", window)
            if shell:  # else it went away meanwhile
                box = dict(line.split("=", 1) for line in shell.split())
                found.append(Window(window, *(int(box[key]) for key in ("X", "Y", "WIDTH", "HEIGHT"))))
        return found

    def app_windows(self):
        """The application's windows on screen, the tray icon included."""
        return self.windows("--onlyvisible", "--classname", "moorix")

    def work_area(self):
        """(x, y, width, height): the screen less what docks and panels keep for themselves, as the window
        manager says."""
        found = (self.run_x("/usr/bin/xprop", "-root", "-notype", "_NET_WORKAREA") or "").partition("=")[2]
        numbers = [int(number) for number in found.replace(",", " ").split()[:4]]
        return tuple(numbers) if len(numbers) == 4 else (0, 0, *map(int, self.size.split("x")))

    def tray_icon(self, timeout=20):
        """The tray icon: the application's small window that the tray embeds."""
        def icon():
            return next((box for box in self.app_windows() if box.width <= 64 and box.height <= 64), None)
        return wait_until(icon, timeout, "the tray icon")

    def keyboard_window(self):
        """The id of the window that has the keyboard, as xdotool names windows."""
        return (self.run_x("/usr/bin/xdotool", "getwindowfocus") or "").strip()

    def wait_keyboard(self, window, timeout=10):
        """Waits until the window manager or the application gave `window` the keyboard; the test never
        hands it over itself, as no user can."""
        wait_until(lambda: self.keyboard_window() == window.id, timeout,
                   lambda: f"the keyboard on window {window.id}, not {self.keyboard_window()}")

    def point(self, x, y):
        # Not "mousemove --sync": it waits for a motion that never comes when the pointer is already there.
        self.run_x("/usr/bin/xdotool", "mousemove", str(x), str(y), "sleep", "0.05")

    def click(self, x, y, button=1):
        self.run_x("/usr/bin/xdotool", "mousemove", str(x), str(y), "sleep", "0.05", "click", str(button))

    @staticmethod
    def centre(element):
        x, y, width, height = element.extents()
        return x + width // 2, y + height // 2

    def hover(self, element):
        """Rests the pointer on the middle of an element."""
        self.point(*self.centre(element))

    def click_element(self, element, button=1):
        """Clicks the middle of an element (button 3: a right click)."""
        self.click(*self.centre(element), button)

    def right_click(self, element):
        self.click_element(element, 3)

    def scroll(self, element, down=True, steps=3):
        """Turns the mouse wheel over an element."""
        x, y = self.centre(element)
        self.run_x("/usr/bin/xdotool", "mousemove", str(x), str(y), "sleep", "0.05", "click", "--repeat",
                   str(steps), "--delay", "50", "5" if down else "4")

    def new_window(self, before, timeout=10):
        """The application's window that opened since `before` (app_windows() taken earlier), such as a
        menu; tooltips, which come and go with the pointer's rest, are left out."""
        known = {window.id for window in before}

        def opened():
            return [window for window in self.app_windows() if window.id not in known and "TOOLTIP" not in (
                self.run_x("/usr/bin/xprop", "-id", window.id, "_NET_WM_WINDOW_TYPE") or "")]
        return wait_until(opened, timeout, "a new window")[0]

    def menu_lines(self, menu):
        """The middle of each line of an open menu, top to bottom, as (x, y) on the screen. Menus are not
        in the accessibility tree, so the lines are found where they are drawn: bands of bright text
        (separators are single faint rules, and are left out)."""
        sys.path.insert(0, str(SUPPORT))
        from screenshot import grab
        try:
            _, _, pixel = grab(self.display)
        except subprocess.CalledProcessError:
            return []  # a grab refused while a window maps; the caller asks again

        def inked(y):
            return any(sum(pixel(x, y)) > 450 for x in range(menu.x + 4, menu.x + menu.width - 4, 2))
        lines, top = [], None
        for y in range(menu.y, menu.y + menu.height + 1):
            ink = y < menu.y + menu.height and inked(y)
            if ink and top is None:
                top = y
            elif not ink and top is not None:
                if y - top >= 4:
                    lines.append((menu.x + menu.width // 2, (top + y) // 2))
                top = None
        return lines

    def choose_from_menu(self, before, index):
        """Clicks line `index` of the menu that opened since `before` (app_windows() taken earlier)."""
        menu = self.new_window(before)

        def line():
            lines = self.menu_lines(menu)
            return lines[index] if len(lines) > index else None
        self.click(*wait_until(line, 10, f"line {index} of the menu"))

    def pointer(self):
        """Where the pointer is: (x, y)."""
        where = dict(item.split(":") for item in self.run_x("/usr/bin/xdotool", "getmouselocation").split())
        return int(where["x"]), int(where["y"])

    def click_tray_icon(self, button=1):
        icon = self.tray_icon()
        self.click(icon.x + icon.width // 2, icon.y + icon.height // 2, button)

    def keys(self, *keys):
        """Presses keys in the focused window, by X names: "Return", "Escape", "ctrl+f", "shift+F10"."""
        self.run_x("/usr/bin/xdotool", "key", "--clearmodifiers", *keys)

    def type_text(self, text, delay=0.02):
        """Types into the window that has the keyboard, one key every `delay` seconds (0.3 is how people
        type)."""
        self.run_x("/usr/bin/xdotool", "type", "--delay", str(int(delay * 1000)), text,
                   timeout=10 + delay * len(text))

    def clipboard(self):
        """The clipboard's text, or None when nothing holds it."""
        return self.run_x("/usr/bin/xclip", "-o", "-selection", "clipboard")

    def screenshot(self, name, area=None):
        """Saves the screen, or an area of it (x, y, width, height), a Window or an Element, as
        SCREENSHOTS/NAME.png."""
        if isinstance(area, Element):
            area = area.extents()
        elif isinstance(area, Window):
            area = area[1:]
        x, y, width, height = area or (0, 0, *map(int, self.size.split("x")))
        SCREENSHOTS.mkdir(parents=True, exist_ok=True)
        path = SCREENSHOTS / (name + ".png")
        argv = [PYTHON, str(SUPPORT / "screenshot.py"), self.display, str(path), *map(str, (x, y, width, height))]
        for last in (False, False, True):
            # The window manager's compositor can refuse a grab while a window maps: try again.
            if subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=None if last else subprocess.DEVNULL,
                              check=last, timeout=60).returncode == 0:
                break
            time.sleep(0.2)
        return path

    # -- The tray of modern desktops (StatusNotifierItem over D-Bus) ----------------------------------------
    def status_item(self, app, timeout=20):
        """The application's StatusNotifierItem, once it has registered with the watcher, to read and call
        as a tray would: item.Get("ToolTip"), item.Activate(x, y)."""
        import dbus
        if not getattr(self, "_bus", None):
            self._bus = dbus.bus.BusConnection(self.env["DBUS_SESSION_BUS_ADDRESS"])
        watcher = self._bus.get_object("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher")

        bus = self._bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus")

        def registered():
            items = watcher.Get("org.kde.StatusNotifierWatcher", "RegisteredStatusNotifierItems",
                                dbus_interface=dbus.PROPERTIES_IFACE)
            return next((item for item in items if bus.GetConnectionUnixProcessID(
                item, dbus_interface="org.freedesktop.DBus") == app.pid), None)
        name = wait_until(registered, timeout, "the application's item registered with the watcher")
        return StatusItem(self._bus, str(name))

    # -- What the application wrote ------------------------------------------------------------------------
    @property
    def preferences_file(self):
        return Path(self.env["XDG_CONFIG_HOME"]) / "quenvale.com" / "moorix.conf"

    def preferences(self):
        """The preferences as {key: text}; keys outside [General] read "Section/key"."""
        store = configparser.RawConfigParser(strict=False)
        store.optionxform = str
        store.read(self.preferences_file)
        return {(key if section == "General" else f"{section}/{key}"): value
                for section in store.sections() for key, value in store.items(section)}

    def write_preferences(self, **values):
        """Stores preferences before the application starts: write_preferences(confirmBeforeKill="false").
        Values are INI text as QSettings reads it; a comma list needs quotes: hiddenPorts='"3000,5432"'."""
        store = configparser.RawConfigParser()
        store.optionxform = str
        store.read(self.preferences_file)
        if not store.has_section("General"):
            store.add_section("General")
        for key, value in values.items():
            store.set("General", key, str(value))
        self._mkdir(self.preferences_file.parent)
        with open(self.preferences_file, "w") as out:
            store.write(out, space_around_delimiters=False)
        self._own(self.preferences_file)

    def history(self, port=None):
        """The events of history.jsonl, oldest first, only those on `port` when given."""
        path = Path(self.env["XDG_DATA_HOME"]) / "Moorix" / "history.jsonl"
        events = []
        for line in path.read_text().splitlines() if path.exists() else []:
            try:
                event = json.loads(line)
            except ValueError:
                continue
            if isinstance(event, dict) and (port is None or event.get("port") == port):
                events.append(event)
        return events

    def notifications(self):
        """The desktop notifications the application sent, one "title body" line each."""
        return self.notify_log.read_text().splitlines() if self.notify_log.exists() else []


class DesktopTest(unittest.TestCase):
    """One desktop for the whole class, with fresh user data for each test. Subclasses set `tray`, `user`
    ("nobody" to run the application as an ordinary user), `wayland` and `status_notifier` (see Desktop)."""

    tray = True
    user = None
    wayland = False
    status_notifier = False

    @classmethod
    def setUpClass(cls):
        cls.desktop = Desktop(tray=cls.tray, user=cls.user, wayland=cls.wayland,
                              status_notifier=cls.status_notifier).start()

    @classmethod
    def tearDownClass(cls):
        cls.desktop.stop()

    def setUp(self):
        self.desktop.reset_user_data()

    def start_app(self, *arguments, env=None):
        """The application, ended after the test if it still runs."""
        app = self.desktop.start_app(*arguments, env=env)
        self.addCleanup(app.stop)
        return app


_running = set()


def _stop_all():
    for desktop in list(_running):
        desktop.stop()


def _interrupt(*_):
    raise KeyboardInterrupt  # unittest lets this through, and atexit then ends the desktops


atexit.register(_stop_all)
signal.signal(signal.SIGTERM, _interrupt)
