"""Drives the built program as a person does: its own X server, window manager and session bus,
a scratch home, real key presses and clicks through XTest (xdotool), and checks of what a person
would see. See README.md beside this file."""

import contextlib
import os
import plistlib
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass

SCREEN = "1280x800x24"
APPLICATION = "Jobslate"
SANITIZER_REPORT = re.compile(r"AddressSanitizer|LeakSanitizer|runtime error:|UndefinedBehaviorSanitizer")


class JourneyFailure(AssertionError):
    pass


@dataclass
class Window:
    id: int
    title: str
    x: int
    y: int
    width: int
    height: int

    def center(self):
        return self.x + self.width // 2, self.y + self.height // 2


def wait_until(condition, timeout, what, interval=0.1):
    """Polls condition() until it gives something true and returns that; fails after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        result = condition()
        if result:
            return result
        if time.monotonic() > deadline:
            raise JourneyFailure(f"timed out after {timeout:g} s waiting for {what}")
        time.sleep(interval)


@dataclass
class Row:
    text: str
    kind: str
    children: list


@dataclass
class CardFile:
    title: str
    kind: str
    uuid: str
    rows: list  # Row, as nested in the outline
    text: str  # a rich-text card's text


_RTF_TOKEN = re.compile(r"\\([a-zA-Z]+)(-?\d+)? ?|\\'([0-9a-fA-F]{2})|\\(.)|([{}])|([^\\{}\r\n]+)|[\r\n]", re.S)
_RTF_SKIPPED = {"fonttbl", "colortbl", "stylesheet", "info", "pict", "NeXTGraphic", "listtable", "listoverridetable"}


def rtf_text(data):
    """The plain text of RTF or flattened RTFD bytes, roughly: enough to find what was typed."""
    start = data.find(b"{\\rtf")
    if start < 0:
        return ""
    text = []
    depth = 0
    skipping = None  # the depth of a group whose text is not shown (font table, pictures, ...)
    fallback, after_unicode = 1, 0  # characters standing in for each \\u character, and those still due
    for match in _RTF_TOKEN.finditer(data[start:].decode("latin-1")):
        word, number, hex_code, symbol, brace, plain = match.groups()
        if after_unicode and (hex_code or plain):
            after_unicode -= 1
            if plain and len(plain) > 1 and skipping is None:
                text.append(plain[1:])
            continue
        if brace == "{":
            depth += 1
        elif brace == "}":
            if skipping == depth:
                skipping = None
            depth -= 1
            if depth == 0:
                break
        elif word in _RTF_SKIPPED or symbol == "*":
            skipping = depth if skipping is None else skipping
        elif skipping is not None:
            continue
        elif word in ("par", "line") or symbol in ("\n", "\r"):
            text.append("\n")
        elif word == "tab":
            text.append("\t")
        elif word == "uc" and number:
            fallback = int(number)
        elif word == "u" and number:
            text.append(chr(int(number) % 65536))
            after_unicode = fallback
        elif hex_code:
            text.append(bytes.fromhex(hex_code).decode("cp1252", errors="replace"))
        elif symbol in ("\\", "{", "}"):
            text.append(symbol)
        elif plain:
            text.append(plain)
    return "".join(text).strip()


def read_card(path):
    """Reads a .qxcard file: its title, class, outline rows (with their plain text) and text."""
    with open(path, "rb") as file:
        card = plistlib.load(file)

    def rows(node):
        items = node.get("children", {}).get("system.objects", [])
        return [Row(rtf_text(item.get("text", b"")), item.get("system.class", ""), rows(item)) for item in items]

    text = card.get("text", b"")
    return CardFile(
        card.get("title", ""),
        card.get("system.class", ""),
        card.get("uuid", ""),
        rows(card.get("root", {})),
        rtf_text(text) if isinstance(text, bytes) else "",
    )


def read_sheet(path):
    """The readable cards of a .qxsheet folder, in file name order."""
    return [read_card(os.path.join(path, name)) for name in sorted(os.listdir(path)) if name.endswith(".qxcard")]


def card_plist(sheet, title):
    """The whole stored plist of the card file so titled in a .qxsheet folder."""
    for name in sorted(os.listdir(sheet)):
        if name.endswith(".qxcard"):
            with open(os.path.join(sheet, name), "rb") as file:
                card = plistlib.load(file)
            if card.get("title") == title:
                return card
    raise JourneyFailure(f"no card file titled {title} in {sheet}")


# The dashboard's hover bar, from a row's right end (centres): a group's "Show"/"Hide", a sheet's star.
SHOW_BUTTON = 4 + 46 // 2
STAR_BUTTON = 4 + 24 // 2


def dashboard_rows(j, name_regex):
    """The dashboard's rows so named that are on screen, top to bottom."""
    rows = []
    for element in j.accessible_elements(name_regex, role="table cell"):
        try:
            rows.append((j.extents(element)[1], element))
        except NotImplementedError:  # a row that went away meanwhile
            continue
    return [element for _, element in sorted(rows, key=lambda pair: pair[0])]


def click_at_right_end(j, row, offset):
    """Points at a dashboard row, so that its buttons show, and clicks the one so far from its right end."""
    x, y, width, height = j.extents(row)
    j.move(x + width // 2, y + height // 2)
    j.click(x + width - offset, y + height // 2)


def rows_between(j, name_regex, top_header, bottom_header):
    """The dashboard rows so named between two headers; none while the rows are being rebuilt."""
    top, bottom = dashboard_rows(j, f"^{top_header}$"), dashboard_rows(j, f"^{bottom_header}$")
    if not top or not bottom:
        return []
    top, bottom = j.extents(top[0])[1], j.extents(bottom[0])[1]
    return [row for row in dashboard_rows(j, name_regex) if top < j.extents(row)[1] < bottom]


def show_group(j, header, next_header, name_regex):
    """Clicks the group's "Show" button; returns its first row so named."""
    click_at_right_end(j, dashboard_rows(j, f"^{header}$")[0], SHOW_BUTTON)
    # The rows are rebuilt whenever the sheet folder changes: the row is looked up afresh.
    return wait_until(lambda: rows_between(j, name_regex, header, next_header), 30, f"a row under {header}")[0]


def _text_of(element):
    text = element.queryText()
    return text.getText(0, text.characterCount)


def _slug(text):
    return re.sub(r"[^A-Za-z0-9]+", "-", text).strip("-").lower()[:60] or "step"


class Journey:
    """One journey: a context manager that owns an X server, openbox, a D-Bus session and a scratch
    home, and the program started in them. The program's path is the script's first argument."""

    def __init__(self, name=None, program=None):
        self.name = name or os.path.splitext(os.path.basename(sys.argv[0]))[0]
        self.program = os.path.abspath(program or sys.argv[1])
        self.folder = os.path.join(os.environ.get("JOURNEY_OUTPUT", os.getcwd()), self.name)
        self._processes = []  # helpers to end at exit, last first
        self._program = None
        self._arguments = ()
        self._extra_env = {}
        self._runs = 0
        self._steps = 0
        self._log = None
        self._atspi = None

    # Setting up and tearing down.

    def __enter__(self):
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(self.folder)
        self._scratch = tempfile.mkdtemp(prefix=f"journey-{self.name}-")
        self.home = os.path.join(self._scratch, "home")
        self.config = os.path.join(self._scratch, "config")
        self.data_home = os.path.join(self._scratch, "data")
        self.runtime = os.path.join(self._scratch, "run")
        for folder in (self.home, self.config, self.data_home, self.runtime, os.path.join(self._scratch, "cache")):
            os.makedirs(folder)
        os.chmod(self.runtime, 0o700)
        self.data = os.path.join(self.data_home, APPLICATION)
        self.sheets = os.path.join(self.data, "Sheets")
        try:
            self.env = self._base_environment()
            self._start_display()
            self._start_bus()
            self._start_window_manager()
        except BaseException:
            self._teardown()
            raise
        self._say(f"journey {self.name}: display {self.env['DISPLAY']}, output in {self.folder}")
        return self

    def __exit__(self, kind, value, traceback):
        try:
            if kind is not None and not getattr(value, "_journey_reported", False):
                self._report_failure("failure")
        finally:
            self._teardown()
        return False

    def _base_environment(self):
        env = {
            key: value
            for key, value in os.environ.items()
            if not key.startswith(("QT_", "XDG_", "DBUS_", "WAYLAND_", "JOBSLATE_", "DESKTOP_SESSION"))
            and key not in ("DISPLAY", "XAUTHORITY", "SESSION_MANAGER")
        }
        env.update(
            HOME=self.home,
            XDG_CONFIG_HOME=self.config,
            XDG_DATA_HOME=self.data_home,
            XDG_CACHE_HOME=os.path.join(self._scratch, "cache"),
            XDG_RUNTIME_DIR=self.runtime,
            LANG="C.UTF-8",
            LC_ALL="C.UTF-8",
            QT_QPA_PLATFORM="xcb",
            QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
            # The program's developer lines, for wait_output and the logs; quiet_env() turns them off.
            QT_LOGGING_RULES="jobslate.*=true",
        )
        return env

    def _start_display(self):
        read_end, write_end = os.pipe()
        try:
            server = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", SCREEN, "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,),
                stdout=subprocess.DEVNULL,
                stderr=open(os.path.join(self.folder, "xvfb.log"), "wb"),
                env=self.env,
            )
            self._processes.append(server)
            self._server = server
            os.close(write_end)
            write_end = None
            number = b""
            deadline = time.monotonic() + 30
            while not number.endswith(b"\n"):
                if time.monotonic() > deadline or server.poll() is not None:
                    raise JourneyFailure("Xvfb did not start (see xvfb.log)")
                chunk = os.read(read_end, 16)
                if not chunk:
                    raise JourneyFailure("Xvfb did not start (see xvfb.log)")
                number += chunk
        finally:
            os.close(read_end)
            if write_end is not None:
                os.close(write_end)
        self.env["DISPLAY"] = ":" + number.decode().strip()

    def end_display(self, timeout=10):
        """Ends the X server under the program at once, as a crash of the display does, or its end
        before the session manager sends its signal. The window manager goes with it."""
        self._server.kill()
        self._server.wait(timeout)
        self._say("ended the X server")

    def _start_bus(self):
        bus = subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", "--print-address=1"],
            stdout=subprocess.PIPE,
            stderr=open(os.path.join(self.folder, "dbus.log"), "wb"),
            env=self.env,
        )
        self._processes.append(bus)
        address = bus.stdout.readline().decode().strip()
        if not address:
            raise JourneyFailure("dbus-daemon did not start (see dbus.log)")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address

    def _start_window_manager(self):
        manager = subprocess.Popen(
            ["openbox", "--sm-disable"],
            stdout=subprocess.DEVNULL,
            stderr=open(os.path.join(self.folder, "openbox.log"), "wb"),
            env=self.env,
        )
        self._processes.append(manager)
        wait_until(
            lambda: self._quiet(["wmctrl", "-m"]) == 0 or manager.poll() is not None, 30, "openbox to manage the screen"
        )
        if manager.poll() is not None:
            raise JourneyFailure("openbox ended at start (see openbox.log)")

    def _teardown(self):
        if self._program and self._program.poll() is None:
            self._program.kill()
            self._program.wait()
        if self._log:
            self._log.close()
        for process in reversed(self._processes):
            if process.poll() is None:
                process.terminate()
                try:
                    process.wait(10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
            if process.stdout:
                process.stdout.close()
        self._processes = []
        if os.environ.get("JOURNEY_KEEP"):
            self._say(f"scratch home kept in {self._scratch}")
        else:
            shutil.rmtree(self._scratch, ignore_errors=True)

    # The program.

    def start(self, *arguments, env=None):
        """Starts the program with the arguments; its output goes to run-<n>.log in the output folder."""
        if self.running():
            raise JourneyFailure("the program is already running")
        self._runs += 1
        self._arguments = arguments
        self._extra_env = dict(env or {})
        if self._log:
            self._log.close()
        self._log_path = os.path.join(self.folder, f"run-{self._runs}.log")
        self._log = open(self._log_path, "wb")
        self._program = subprocess.Popen(
            [self.program, *map(str, arguments)],
            stdin=subprocess.DEVNULL,
            stdout=self._log,
            stderr=subprocess.STDOUT,
            env={**self.env, **self._extra_env},
            cwd=self.home,
        )
        self._say(f"started {os.path.basename(self.program)} {' '.join(map(str, arguments))} (run {self._runs})")
        return self._program

    @staticmethod
    def quiet_env():
        """The environment of a person's run: no logging rules, so the program's output stays empty."""
        return {"QT_LOGGING_RULES": ""}

    def running(self):
        return self._program is not None and self._program.poll() is None

    def output(self):
        """What the current (or last) run of the program wrote on stdout and stderr."""
        if not self._program:
            return ""
        with open(self._log_path, "rb") as log:
            return log.read().decode(errors="replace")

    def wait_output(self, pattern, timeout=30):
        """Waits until the program's output matches the regular expression; returns the match."""
        return wait_until(lambda: self._alive_check() or re.search(pattern, self.output()), timeout, f"output /{pattern}/")

    def wait_exit(self, timeout=30, expect=0):
        """Waits for the program to end by itself; checks its exit code (unless expect is None) and
        that no sanitizer reported anything. Returns the exit code."""
        if not self._program:
            raise JourneyFailure("the program was never started")
        try:
            code = self._program.wait(timeout)
        except subprocess.TimeoutExpired:
            raise JourneyFailure(f"the program did not end within {timeout:g} s") from None
        self._check_output()
        if expect is not None and code != expect:
            raise JourneyFailure(f"the program ended with {self._describe(code)}, expected {expect}")
        return code

    def term(self, timeout=60):
        """Sends SIGTERM, as a logout or `kill` does, and expects a clean exit (0)."""
        if not self.running():
            code = self._program.returncode if self._program else None
            raise JourneyFailure(f"the program is not running (it ended with {self._describe(code)})")
        self._program.send_signal(signal.SIGTERM)
        self._say("sent SIGTERM")
        return self.wait_exit(timeout)

    def restart(self, *arguments, env=None):
        """Ends the running program with SIGTERM and starts it again (with the last arguments and
        environment unless new ones are given)."""
        if self.running():
            self.term()
        return self.start(*(arguments or self._arguments), env=self._extra_env if env is None else env)

    def second_start(self, *arguments, timeout=60, expect=0, env=None):
        """Starts the program again beside the running one, as a file manager or a link does, and
        waits for the second start to end. Returns its output."""
        self._alive_check()
        self._runs += 1
        path = os.path.join(self.folder, f"run-{self._runs}-second.log")
        with open(path, "wb") as log:
            try:
                result = subprocess.run(
                    [self.program, *map(str, arguments)],
                    stdin=subprocess.DEVNULL,
                    stdout=log,
                    stderr=subprocess.STDOUT,
                    env={**self.env, **self._extra_env, **(env or {})},
                    cwd=self.home,
                    timeout=timeout,
                )
            except subprocess.TimeoutExpired:
                raise JourneyFailure(f"the second start did not end within {timeout:g} s") from None
        with open(path, "rb") as log:
            text = log.read().decode(errors="replace")
        if SANITIZER_REPORT.search(text):
            raise JourneyFailure(f"the second start reported a fault:\n{text[-4000:]}")
        if expect is not None and result.returncode != expect:
            raise JourneyFailure(f"the second start ended with {self._describe(result.returncode)}:\n{text[-2000:]}")
        self._alive_check()
        return text

    def _alive_check(self):
        if self._program and self._program.poll() is not None:
            raise JourneyFailure(f"the program ended unexpectedly with {self._describe(self._program.returncode)}")
        return None

    def _check_output(self):
        text = self.output()
        if SANITIZER_REPORT.search(text):
            raise JourneyFailure("the sanitizer reported a fault (see the program's output)")

    @staticmethod
    def _describe(code):
        if code is None:
            return "no exit code"
        if code < 0:
            return f"signal {signal.Signals(-code).name}"
        return f"exit code {code}"

    # What a person sees.

    def windows(self, title_regex=None):
        """The windows the window manager shows, with titles and frames (client area, root coordinates);
        only those whose title matches, when a regular expression is given."""
        pattern = re.compile(title_regex) if title_regex is not None else None
        listing = self._run(["wmctrl", "-l"], check=False)
        windows = []
        for line in listing.splitlines():
            parts = line.split(None, 3)
            if len(parts) < 3:
                continue
            title = parts[3] if len(parts) > 3 else ""
            if pattern and not pattern.search(title):
                continue
            window = self._window(int(parts[0], 16), title)
            if window:
                windows.append(window)
        return windows

    def _window(self, wid, title):
        shell = self._run(["xdotool", "getwindowgeometry", "--shell", str(wid)], check=False)
        values = dict(line.split("=", 1) for line in shell.splitlines() if "=" in line)
        try:
            return Window(wid, title, int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"]))
        except (KeyError, ValueError):
            return None  # gone meanwhile

    def find_windows(self, title_regex):
        return self.windows(title_regex)

    def wait_window(self, title_regex, timeout=30):
        """Waits for a window whose title matches the regular expression and returns it."""

        def found():
            self._alive_check()
            windows = self.find_windows(title_regex)
            return windows[0] if windows else None

        return wait_until(found, timeout, f"a window titled /{title_regex}/")

    def wait_no_window(self, title_regex, timeout=30):
        """Waits until no window's title matches the regular expression."""
        wait_until(lambda: self._alive_check() or not self.find_windows(title_regex), timeout, f"no window titled /{title_regex}/")

    def active_window(self):
        wid = self._run(["xdotool", "getactivewindow"], check=False).strip()
        if not wid:
            return None
        name = self._run(["xdotool", "getwindowname", wid], check=False).rstrip("\n")
        return self._window(int(wid), name)

    def wait_active(self, title_regex, timeout=30):
        """Waits until the window that has the focus has a title matching the regular expression."""

        def active():
            self._alive_check()
            window = self.active_window()
            return window if window and re.search(title_regex, window.title) else None

        return wait_until(active, timeout, f"the window titled /{title_regex}/ to have the focus")

    def popups(self):
        """The shown pop-up windows (menus, completions; the window manager does not manage them) as
        Window(id, "", x, y, width, height)."""
        self._alive_check()
        found = []
        for line in self._run(["xwininfo", "-root", "-children"]).splitlines():
            match = re.match(r"\s*(0x[0-9a-f]+) .*?\s(\d+)x(\d+)\+(-?\d+)\+(-?\d+)", line)
            if not match:
                continue
            info = self._run(["xwininfo", "-id", match.group(1)], check=False)
            if "Override Redirect State: yes" in info and "Map State: IsViewable" in info:
                width, height, x, y = (int(match.group(n)) for n in range(2, 6))
                if width > 1 and height > 1:
                    found.append(Window(int(match.group(1), 16), "", x, y, width, height))
        return found

    def wait_popup(self, timeout=30):
        """Waits for a pop-up window (a menu) to show; returns the last one shown."""
        return wait_until(lambda: (self.popups() or [None])[-1], timeout, "a pop-up window to show", 0.3)

    def screenshot(self, name):
        """Saves the whole screen as <name>.png in the output folder; returns the path."""
        path = os.path.join(self.folder, f"{_slug(name)}.png")
        # One read of the root window, as the screen shows it. Not xwd: where windows have colormaps
        # other than the root's (every Qt window), it reads a window lying wholly inside a lower one of
        # the same colormap (a menu over a card) from the lower window, where it is hidden: black.
        grab = subprocess.run(["import", "-silent", "-window", "root", path], env=self.env,
                              capture_output=True, timeout=60)
        if grab.returncode != 0:
            raise JourneyFailure(f"import failed: {grab.stderr.decode(errors='replace')}")
        return path

    def accessible(self):
        """The desktop of the accessibility tree (pyatspi), or None where AT-SPI is not installed.
        Journeys that need it call find_accessible; the rest of the harness never does."""
        if self._atspi is None:
            os.environ["DBUS_SESSION_BUS_ADDRESS"] = self.env["DBUS_SESSION_BUS_ADDRESS"]
            os.environ["DISPLAY"] = self.env["DISPLAY"]
            try:
                import pyatspi  # noqa: PLC0415 (only once the session bus is this journey's)
            except ImportError:
                self._atspi = False
            else:
                self._atspi = pyatspi
        return self._atspi.Registry.getDesktop(0) if self._atspi else None

    def accessible_elements(self, name_regex=".", role=None):
        """The program's elements (in every window) whose accessible name matches, optionally of a
        role given by pyatspi's role name ("push button", "list item", ...)."""
        pattern = re.compile(name_regex)
        return self._accessible_where(
            lambda element: pattern.search(element.name or "") and (role is None or element.getRoleName() == role)
        )

    def accessible_texts(self, text_regex):
        """The program's text fields (a row's editor, a note, a field) whose text matches."""
        pattern = re.compile(text_regex)
        return self._accessible_where(
            lambda element: element.getRoleName() == "text" and pattern.search(_text_of(element))
        )

    def _accessible_where(self, condition):
        desktop = self.accessible()
        if desktop is None:
            raise JourneyFailure("AT-SPI (python3-pyatspi) is not available")
        found = []

        def walk(element, depth):
            if element is None or depth > 40:
                return
            try:
                if condition(element):
                    found.append(element)
                children = [element.getChildAtIndex(i) for i in range(min(element.childCount, 500))]
            except Exception:  # noqa: BLE001 (an element that went away meanwhile)
                return
            for child in children:
                walk(child, depth + 1)

        for index in range(desktop.childCount):
            application = desktop.getChildAtIndex(index)
            if application is not None and application.name.lower() == os.path.basename(self.program).lower():
                walk(application, 0)
        return found

    def find_accessible(self, name_regex, role=None, timeout=30):
        """Waits for an element of the program whose accessible name matches; returns the first."""

        def found():
            self._alive_check()
            elements = self.accessible_elements(name_regex, role)
            return elements[0] if elements else None

        return wait_until(found, timeout, f"an element named /{name_regex}/" + (f" ({role})" if role else ""), 0.3)

    def extents(self, element):
        """Where an accessible element is on the screen: (x, y, width, height)."""
        box = element.queryComponent().getExtents(self._atspi.DESKTOP_COORDS)
        return box.x, box.y, box.width, box.height

    def _middle(self, element, what):
        x, y, width, height = self.extents(element)
        if width <= 0 or height <= 0:
            raise JourneyFailure(f"the element {what} is not on screen")
        return x + width // 2, y + height // 2

    def click_accessible(self, name_regex, role=None, timeout=30, double=False):
        """Clicks the middle of the program's element whose accessible name matches ("click the row
        holding ...", "click Next")."""
        element = self.find_accessible(name_regex, role, timeout)
        self.click(*self._middle(element, f"named /{name_regex}/"), double=double)

    def hover(self, element):
        """Moves the pointer onto the middle of an accessible element, as a person points at it."""
        self.move(*self._middle(element, f"named '{element.name}'"))

    def find_text(self, text_regex, timeout=30):
        """Waits for a text field of the program whose text matches; returns the first."""

        def found():
            self._alive_check()
            elements = self.accessible_texts(text_regex)
            return elements[0] if elements else None

        return wait_until(found, timeout, f"a text holding /{text_regex}/", 0.3)

    def click_text(self, text_regex, timeout=30):
        """Clicks just after the last character of the text field holding the text ("click at the end
        of the row holding ..."), which puts the caret there."""
        element = self.find_text(text_regex, timeout)
        text = element.queryText()
        box = text.getCharacterExtents(max(text.characterCount - 1, 0), self._atspi.DESKTOP_COORDS)
        if box[2] <= 0 or box[3] <= 0:
            raise JourneyFailure(f"the text holding /{text_regex}/ is not on screen")
        self.click(box[0] + box[2] - 1, box[1] + box[3] // 2)

    # What a person does.

    def activate(self, window):
        """Raises and focuses the window, as a click on its title bar does."""
        self._alive_check()

        def active():
            return (self.active_window() or Window(0, "", 0, 0, 0, 0)).id == window.id

        # The program may bring one of its own windows forward while it settles (a slow build on a
        # busy machine): ask again, as a person clicks again.
        for _ in range(5):
            try:
                self._run(["xdotool", "windowactivate", str(window.id)], check=False, timeout=10)
                wait_until(active, 6, f"window '{window.title}' to take the focus")
                return
            except (JourneyFailure, subprocess.TimeoutExpired):
                self._alive_check()
        wait_until(active, 10, f"window '{window.title}' to take the focus")

    def minimize(self, window):
        """Minimises the window, as its title bar's button does."""
        self._alive_check()
        self._run(["xdotool", "windowminimize", str(window.id)], check=False)
        self.settle()

    def press(self, *keys):
        """Presses keys or chords in xdotool's names: press("ctrl+n"), press("Return", "Tab")."""
        self._alive_check()
        self._run(["xdotool", "key", "--delay", "40", *keys])
        self.settle()

    def type(self, text):
        """Types the text into the window that has the focus."""
        self._alive_check()
        self._run(["xdotool", "type", "--delay", "30", "--", text])
        self.settle()

    def click(self, x, y, button=1, double=False):
        """Clicks at a point of the screen."""
        self._alive_check()
        self._run(["xdotool", "mousemove", "--sync", str(x), str(y)])
        self._run(["xdotool", "click", *(["--repeat", "2", "--delay", "80"] if double else []), str(button)])
        self.settle()

    def move(self, x, y):
        """Moves the pointer to a point of the screen without clicking."""
        self._alive_check()
        self._run(["xdotool", "mousemove", "--sync", str(x), str(y)])
        self.settle()

    def click_in(self, window, x, y, button=1, double=False):
        """Clicks at a point of the window's client area."""
        self.click(window.x + x, window.y + y, button, double)

    def settle(self, seconds=0.3):
        """Lets the program handle what it was sent (input is asynchronous; this is no timing check)."""
        time.sleep(seconds)

    # Steps and reports.

    @contextlib.contextmanager
    def step(self, what):
        """One thing a person does; a failure inside saves a screenshot and the program's output."""
        self._steps += 1
        number = self._steps
        self._say(f"step {number}: {what}")
        try:
            yield
        except BaseException as failure:
            if not getattr(failure, "_journey_reported", False):
                self._report_failure(f"step-{number}-{what}")
                with contextlib.suppress(AttributeError):
                    failure._journey_reported = True
            raise

    def _report_failure(self, name):
        try:
            shot = self.screenshot(f"failed-{name}")
            self._say(f"screenshot of the failure: {shot}")
        except Exception as problem:  # noqa: BLE001 (the report must not hide the failure)
            self._say(f"no screenshot: {problem}")
        try:
            titles = [f"  {w.title!r} at {w.x},{w.y} {w.width}x{w.height}" for w in self.windows()]
            self._say("windows:\n" + ("\n".join(titles) or "  none"))
        except Exception:  # noqa: BLE001
            pass
        tail = self.output()[-6000:]
        if tail:
            self._say(f"the program's output (last lines of {self._log_path}):\n{tail}")

    # Helpers.

    def _run(self, command, check=True, timeout=30):
        result = subprocess.run(command, env=self.env, capture_output=True, timeout=timeout)
        if check and result.returncode != 0:
            raise JourneyFailure(f"{' '.join(command)} failed: {result.stderr.decode(errors='replace')}")
        return result.stdout.decode(errors="replace")

    def _quiet(self, command):
        return subprocess.run(command, env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode

    @staticmethod
    def _say(text):
        print(text, flush=True)
