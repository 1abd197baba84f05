"""The real application on a private desktop (Xvfb, metacity, trayer; or weston), driven through AT-SPI as a
screen reader does (atspi_agent.py) and through X's mouse and keyboard; Qt leaves menus out of the tree.
By hand: /usr/bin/python3 tests/e2e/test_app_shell.py -v; MOORIX_BINARY, MOORIX_SCREENSHOT_DIR, and
MOORIX_E2E_KEEP=1 to keep the desktop's folder (HOME, logs/) after the run."""
import atexit
import collections
import contextlib
import itertools
import json
import os
import pwd
import re
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
sys.path.insert(0, str(SUPPORT))
import screenshot  # noqa: E402

MOORIX = Path(os.environ.get("MOORIX_BINARY", HERE.parent.parent / "build-test" / "moorix"))
SCREENSHOTS = Path(os.environ.get("MOORIX_SCREENSHOT_DIR", MOORIX.parent / "screenshots"))
PYTHON = "/usr/bin/python3"
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
SCREEN = (1024, 768)
PANEL_WIDTH = 380
SCRIPTS = [HERE / "atspi_agent.py", HERE / "status_notifier_watcher.py", SUPPORT / "listener.py"]


class Window(collections.namedtuple("Window", "id x y width height")):
    def centre(self):
        return self.x + self.width // 2, self.y + self.height // 2


def wait_until(condition, timeout=20, message="condition", interval=0.1):
    """What `condition` returns once it is true; fails the test after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while not (value := condition()):
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for "
                                 f"{message() if callable(message) else message}")
        time.sleep(interval)
    return value


class Process(subprocess.Popen):

    def alive(self):
        return self.poll() is None

    def line(self, timeout):
        """The next line of the program's output, or None at its end or after `timeout` seconds."""
        if not select.select([self.stdout], [], [], timeout)[0]:
            return None
        return self.stdout.readline().decode().removesuffix("\n") or None

    def stop(self):
        self.terminate()  # neither signal goes to a process already reaped
        with contextlib.suppress(subprocess.TimeoutExpired):
            self.wait(5)
        self.kill()
        self.wait()
        for stream in filter(None, (self.stdin, self.stdout)):
            stream.close()


class Element:
    """One element of the accessibility tree as it was when read: id, role, name, description and states."""

    def __init__(self, desktop, info):
        self._desktop = desktop
        vars(self).update(info)

    def refresh(self):
        return Element(self._desktop, self._desktop.ask("info", id=self.id))

    def press(self):
        if not self._desktop.ask("press", id=self.id):
            raise AssertionError(f"{self.role} {self.name!r} cannot be pressed")

    def extents(self):
        return tuple(self._desktop.ask("extents", id=self.id))

    def centre(self):
        return Window(self.id, *self.extents()).centre()


class Desktop:
    def __init__(self, tray, user, wayland, status_notifier):
        self.tray, self.wayland, self.status_notifier = tray, wayland, status_notifier
        self.account = pwd.getpwnam(user) if user else None
        self.root, self.agent, self._processes = None, None, []

    # -- Start and stop --------------------------------------------------------------------------------
    def start(self):
        tools = ["dbus-daemon", LAUNCHER] + ["trayer"] * self.tray + (["weston"] if self.wayland else [
            "Xvfb", "metacity", "xdotool", "xclip", "xwd", "xprop", "xev"])
        missing = [tool for tool in tools if not shutil.which(tool, path="/usr/bin")]
        if missing:
            raise unittest.SkipTest(f"{', '.join(missing)} not installed; run scripts/install-deps")
        if not MOORIX.exists():
            raise unittest.SkipTest(f"{MOORIX} is not built")
        if self.account and os.geteuid() != 0:
            raise unittest.SkipTest(f"only root can run the application as {self.account.pw_name}")
        atexit.register(self.stop)  # when the run is interrupted too
        try:
            self._start()
        except BaseException:
            for log in sorted(self.root.glob("logs/*.log")) if self.root else []:
                print(f"--- {log.name}\n{log.read_text()[-2000:]}", file=sys.stderr)
            self.stop()
            raise
        return self

    def _start(self):
        self.root = Path(tempfile.mkdtemp(prefix="moorix-e2e-"))
        self._stage()
        # Every process of this desktop carries MOORIX_E2E_DESKTOP: stop() finds them wherever they went.
        self.env = {"PATH": "/usr/local/bin:/usr/bin:/bin", "LANG": "en_US.UTF-8", "LANGUAGE": "en",
                    "XDG_RUNTIME_DIR": str(self.root / "runtime"), "MOORIX_E2E_DESKTOP": str(self.root),
                    **{name: value for name, value in os.environ.items() if name.endswith("SAN_OPTIONS")}}
        self._mkdir(self.root / "runtime", 0o700)
        self.reset_user_data()
        if self.wayland:
            compositor = self.spawn("weston", ["/usr/bin/weston", "--backend=headless-backend.so",
                                                "--socket=wayland-moorix", f"--width={SCREEN[0]}",
                                                f"--height={SCREEN[1]}", "--idle-time=0"])
            self._started(compositor, (self.root / "runtime" / "wayland-moorix").exists)
            self.env.update({"WAYLAND_DISPLAY": "wayland-moorix", "QT_QPA_PLATFORM": "wayland"})
        else:
            # -ac lets another user's application in; -noreset keeps the server up when its clients come
            # and go (a client left from another run on the same display number would make it reset).
            self.display = self.env["DISPLAY"] = ":" + self._first_line(
                "Xvfb", ["/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", "{}x{}x24".format(*SCREEN),
                         "-nolisten", "tcp", "-ac", "-noreset"], as_user=False)[1]
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self._first_line(
            "session bus", ["/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address=1",
                            "--address=unix:dir=" + self.env["XDG_RUNTIME_DIR"]])[1]
        if self.status_notifier:
            self.watcher = self._first_line("tray watcher", [PYTHON, self.bin["status_notifier_watcher.py"]])[0]
        if not self.wayland:
            # After the session bus, so that it uses this one and never launches its own; its settings live
            # in memory: nothing of the user's or the machine's is read or written.
            manager = self.spawn("metacity", ["/usr/bin/metacity", "--replace"], as_user=False,
                                  env={**self.env, "GSETTINGS_BACKEND": "memory"})
            self._started(manager, lambda: "window id" in (self.run_x("xprop", "-root", "_NET_SUPPORTING_WM_CHECK")
                                                           or ""))
        if self.tray:
            tray = self.spawn("trayer", ["/usr/bin/trayer", "--edge", "top", "--align", "right",
                                          "--widthtype", "request", "--height", "22"], as_user=False)
            self._started(tray, lambda: self.windows("--classname", "trayer"))
        # The session bus starts the accessibility bus's launcher when the agent first asks for its address.
        self.agent = self._first_line("agent", [PYTHON, self.bin["atspi_agent.py"]], stdin=subprocess.PIPE)[0]

    def _first_line(self, name, argv, **options):
        """Starts a program that says it is ready with a line of output: (its Process, that line)."""
        process = self.spawn(name, argv, stdout=subprocess.PIPE, **options)
        line = process.line(30)
        if not line:
            raise RuntimeError(f"{name} did not start; its log is above")
        return process, line

    @staticmethod
    def _started(process, ready):
        wait_until(lambda: ready() or not process.alive(), 20, f"{process.name} to start")
        if not process.alive():
            raise RuntimeError(f"{process.name} ended; its log is above")

    def stop(self):
        if not self.root:
            return
        for number in (signal.SIGTERM, signal.SIGKILL):
            for pid in self._members():
                with contextlib.suppress(ProcessLookupError):
                    os.kill(pid, number)
            with contextlib.suppress(AssertionError):
                wait_until(lambda: not any(self._members()), 5)
        for process in self._processes:
            process.stop()
        if os.environ.get("MOORIX_E2E_KEEP"):
            print(f"desktop kept in {self.root}")
        else:
            shutil.rmtree(self.root, ignore_errors=True)
        self.root, self.agent, self._processes = None, None, []

    def _members(self):
        """Live processes that carry this desktop's marker (a zombie's environment reads empty)."""
        marker = f"MOORIX_E2E_DESKTOP={self.root}".encode()
        for entry in filter(str.isdigit, os.listdir("/proc")):
            with contextlib.suppress(OSError), open(f"/proc/{entry}/environ", "rb") as environ:
                if marker in environ.read().split(b"\0"):
                    yield int(entry)

    # -- Processes and files ---------------------------------------------------------------------------
    def spawn(self, name, argv, as_user=True, env=None, stdin=subprocess.DEVNULL, stdout="log", cwd=None):
        """Starts a program as the application's user unless `as_user` is False; its output goes to
        logs/NAME.log, to a pipe (stdout=PIPE, errors to the log) or to the test's (None)."""
        options = {}
        if as_user and self.account:
            options = {"user": self.account.pw_uid, "group": self.account.pw_gid, "extra_groups": []}
        with open(self.root / "logs" / (name.replace(" ", "-") + ".log"), "ab") as log:
            process = Process(list(map(str, argv)), env=env or self.env, stdin=stdin, bufsize=0,
                              stdout=log if stdout == "log" else stdout, stderr=None if stdout is None else log,
                              cwd=cwd or self.root, **options)
        process.name = name
        self._processes.append(process)
        return process

    def own(self, path):
        if self.account:
            os.chown(path, self.account.pw_uid, self.account.pw_gid)

    def _mkdir(self, path, mode=0o755):
        path.mkdir(mode=mode, parents=True, exist_ok=True)
        self.own(path)

    def _stage(self):
        """Copies what runs as another user where it can read it: the build may sit where only root enters."""
        self.root.chmod(0o755)
        self.own(self.root)
        (self.root / "logs").mkdir()
        self.bin = {path.name: path for path in [MOORIX, *SCRIPTS]}
        if self.account:
            staged = self.root / "bin"
            staged.mkdir()
            for path in [*self.bin.values(), MOORIX.parent / "moorix-desktop"]:
                shutil.copy(path, staged)
            for bundle in MOORIX.parent.glob("*.bundle"):
                shutil.copytree(bundle, staged / bundle.name)
            for item in [staged, *staged.rglob("*")]:
                item.chmod(0o755 if item.is_dir() or item.suffix in ("", ".py") else 0o644)
            self.bin = {name: staged / name for name in self.bin}

    def reset_user_data(self):
        home = self.root / "home"
        shutil.rmtree(home, ignore_errors=True)
        self._mkdir(home, 0o700)
        self._mkdir(home / ".local")
        self.env["HOME"] = str(home)
        for variable, folder in {"XDG_DATA_HOME": ".local/share", "XDG_CONFIG_HOME": ".config",
                                 "XDG_CACHE_HOME": ".cache", "XDG_STATE_HOME": ".local/state"}.items():
            self._mkdir(home / folder, 0o700)
            self.env[variable] = str(home / folder)
        self.preferences_file = home / ".config" / "quenvale.com" / "moorix.conf"

    # -- The application and its servers ---------------------------------------------------------------
    def start_app(self):
        """Starts moorix with accessibility on; its output goes to the test's, where sanitizer reports show."""
        # GCC 12's sanitizer runtime can take a dynamically loaded library's TLS block for an old glibc
        # header, and LeakSanitizer's tracer then crashes as the application exits (about one exit in 30).
        # Qt's StatusNotifierItem tray opens a bus connection of its own that it never closes, and the leak
        # checker would report it at every exit; a crash or a failed exit still shows in the status.
        sanitizer = [self.env.get("ASAN_OPTIONS"), "intercept_tls_get_addr=0"]
        sanitizer += ["detect_leaks=0"] if self.status_notifier else []
        app_env = {**self.env, "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", "MOORIX_TEST_NOTIFY": "/bin/true",
                   "ASAN_OPTIONS": ":".join(filter(None, sanitizer))}
        return self.spawn("moorix", [self.bin[MOORIX.name]], env=app_env, stdout=None)

    def listener(self, *options):
        """A loopback server (tests/support/listener.py OPTIONS…) of the application's user, on `port`."""
        server, port = self._first_line("listener", [PYTHON, self.bin["listener.py"], *options])
        server.port = int(port)
        return server

    # -- Accessibility -----------------------------------------------------------------------------------
    def ask(self, op, **arguments):
        """One request to the accessibility agent (see atspi_agent.py); its answer."""
        self.agent.stdin.write((json.dumps({"op": op, **arguments}) + "\n").encode())
        line = self.agent.line(30)
        if line is None:
            raise AssertionError(f"the accessibility agent gave no answer to {op}")
        answer = json.loads(line)
        if "error" in answer:
            raise AssertionError(f"{op}: {answer['error']}")
        return answer["result"]

    def find(self, role=None, name=None, pattern=None, showing=True):
        """Moorix's elements, in tree order, with that role and exact name or a name matching `pattern`."""
        pattern = f"^{re.escape(name)}$" if name is not None else pattern
        return [Element(self, info) for info in self.ask("find", role=role, pattern=pattern, showing=showing)]

    def wait_for(self, timeout=20, **query):
        return wait_until(lambda: self.find(**query), timeout, lambda: f"{query} among {self.shown()}")[0]

    def wait_gone(self, timeout=20, **query):
        wait_until(lambda: not self.find(**query), timeout, lambda: f"no more {query} among {self.shown()}")

    def shown(self):
        """What shows of the application, for failure messages."""
        return [(element.role, element.name) for element in self.find()]

    # -- X: windows, pointer, keys, clipboard, screenshots ------------------------------------------------
    def run_x(self, tool, *arguments, timeout=10):
        """Runs an X tool on this display as the test's user; its output, or None when it failed."""
        result = subprocess.run(["/usr/bin/" + tool, *map(str, arguments)], env=self.env, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, timeout=timeout, check=False)
        return result.stdout.decode() if result.returncode == 0 else None

    def windows(self, *query):
        """The windows that `xdotool search QUERY…` finds, with where they are on the screen."""
        found = []
        for window in (self.run_x("xdotool", "search", *query) or "").split():
            shell = self.run_x("xdotool", "getwindowgeometry", "--shell", window)
            if shell:  # else it went away meanwhile
                box = dict(line.split("=", 1) for line in shell.split())
                found.append(Window(window, *(int(box[key]) for key in ("X", "Y", "WIDTH", "HEIGHT"))))
        return found

    def app_windows(self):
        return self.windows("--onlyvisible", "--classname", "moorix")

    def panel(self):
        """The panel's window while it shows, else None."""
        return next((window for window in self.app_windows() if window.width == PANEL_WIDTH), None)

    def tray_icon(self):
        return wait_until(lambda: next((box for box in self.app_windows() if box.width <= 64 and box.height <= 64),
                                       None), 20, "the tray icon")

    def point(self, x, y, *then):
        """Moves the pointer to (x, y), then runs the xdotool commands `then` ("click", 1)."""
        # Not "mousemove --sync": it waits for a motion that never comes when the pointer is already there.
        self.run_x("xdotool", "mousemove", x, y, "sleep", "0.05", *then)

    def click(self, target, button=1):
        """Clicks the middle of an Element or a Window: button 3 is a right click, 5 turns the wheel down."""
        self.point(*target.centre(), "click", button)

    def pointer(self):
        where = dict(item.split(":") for item in self.run_x("xdotool", "getmouselocation").split())
        return int(where["x"]), int(where["y"])

    def choose_from_menu(self, element, index):
        """Right clicks an element and clicks line `index` of its menu, found where it is drawn: bands of
        bright text (separators are single faint rules)."""
        known = {window.id for window in self.app_windows()}
        self.click(element, 3)
        # Tooltips come and go with the pointer's rest: not the menu.
        menu = wait_until(lambda: [window for window in self.app_windows() if window.id not in known and "TOOLTIP"
                                   not in (self.run_x("xprop", "-id", window.id, "_NET_WM_WINDOW_TYPE") or "")],
                          10, "the menu")[0]

        def line():
            pixel = self.grab()[2]
            inked = [y for y in range(menu.y, menu.y + menu.height)
                     if any(sum(pixel(x, y)) > 450 for x in range(menu.x + 4, menu.x + menu.width - 4, 2))]
            bands = [[y for _, y in band] for _, band in itertools.groupby(enumerate(inked), lambda n: n[1] - n[0])]
            lines = [(menu.x + menu.width // 2, (band[0] + band[-1] + 1) // 2) for band in bands if len(band) >= 4]
            return lines[index] if len(lines) > index else None
        self.point(*wait_until(line, 10, f"line {index} of the menu"), "click", 1)

    def keys(self, *keys):
        """Presses keys in the focused window, by X names: "Return", "Escape", "ctrl+f", "shift+F10"."""
        self.run_x("xdotool", "key", "--clearmodifiers", *keys)

    def type_text(self, text, delay=0.02):
        """Types into the window that has the keyboard, a key every `delay` seconds (people: 0.3)."""
        self.run_x("xdotool", "type", "--delay", int(delay * 1000), text, timeout=10 + delay * len(text))

    def grab(self):
        """The screen as screenshot.grab gives it, asked again while a compositor refuses as a window maps."""
        return wait_until(lambda: screenshot.grab(self.display), 10, "a grab of the screen")

    def screenshot(self, name, area=None):
        """Saves the screen, or a Window of it, as SCREENSHOTS/NAME.png."""
        box = area[1:] if area else (0, 0, *SCREEN)
        SCREENSHOTS.mkdir(parents=True, exist_ok=True)
        screenshot.save(self.grab(), SCREENSHOTS / (name + ".png"), *box)

    # -- What the application wrote ------------------------------------------------------------------------
    def preferences(self):
        """The preferences as {key: text}, whatever their section."""
        text = self.preferences_file.read_text() if self.preferences_file.exists() else ""
        return dict(line.split("=", 1) for line in text.splitlines() if "=" in line)

    def write_preferences(self, **values):
        """Stores preferences before the application starts, as INI text that QSettings reads:
        write_preferences(confirmBeforeKill="false"); a comma list needs quotes: hiddenPorts='"3000,5432"'."""
        self._mkdir(self.preferences_file.parent)
        self.preferences_file.write_text("[General]\n" + "".join(f"{k}={v}\n" for k, v in values.items()))
        self.own(self.preferences_file)

    def history(self, port):
        """The events on `port` in history.jsonl, oldest first."""
        path = Path(self.env["XDG_DATA_HOME"]) / "Moorix" / "history.jsonl"
        lines = path.read_text().split("\n")[:-1] if path.exists() else []  # not the one still being written
        return [event for event in map(json.loads, lines) if event.get("port") == port]


class DesktopTest(unittest.TestCase):
    """One desktop for the whole class, as its attributes below ask; fresh user data for each test."""

    tray = True
    user = None
    wayland = False
    status_notifier = False

    @classmethod
    def setUpClass(cls):
        cls.desktop = Desktop(cls.tray, cls.user, cls.wayland, cls.status_notifier).start()

    @classmethod
    def tearDownClass(cls):
        cls.desktop.stop()

    def setUp(self):
        self.desktop.reset_user_data()

    def start_app(self):
        """The application, ended after the test if it still runs."""
        app = self.desktop.start_app()
        self.addCleanup(app.stop)
        return app

    def open_panel(self):
        """Clicks the tray icon; returns once the panel has the keyboard (given as to users, never by the test)."""
        self.desktop.click(self.desktop.tray_icon())
        panel = wait_until(self.desktop.panel, 20, "the panel")
        wait_until(lambda: (self.desktop.run_x("xdotool", "getwindowfocus") or "").strip() == panel.id, 10,
                   "the keyboard on the panel")


# A KeyboardInterrupt, which unittest lets through; atexit then ends the desktops.
signal.signal(signal.SIGTERM, signal.default_int_handler)
