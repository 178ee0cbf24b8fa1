"""A private X desktop with a real tray host, for driving the tray program end to end.

    with Desktop(artifacts_dir) as desk:
        desk.start_program([binary])            # waits until the icon sits in the tray
        desk.press("left")                      # returns the popup window, or None
        print(desk.popup_items())               # ["Item 1", ..., SEPARATOR, ...]
        desk.choose("Item 3")                   # keyboard: Down ... Return
        desk.screenshot("after")

What runs: Xvfb (free display via -displayfd), a private D-Bus session bus (so Qt finds
no StatusNotifierWatcher and uses the XEmbed tray), the AT-SPI accessibility bus that
the session bus activates, trayer as the XEmbed tray host, and the program under test.
Menu texts are read over AT-SPI by a helper process (this file run with --atspi-agent):
Qt leaves popup menus out of the application's accessible tree, so the helper follows
the "showing" state changes Qt sends for them. X queries go through libX11 via ctypes;
input goes through xdotool (XTEST).

Only Debian packages are needed: xvfb, trayer, xdotool, imagemagick, dbus, at-spi2-core,
python3-gi, gir1.2-atspi-2.0.
"""

from __future__ import annotations

import ctypes
import json
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import uuid
from dataclasses import dataclass
from pathlib import Path

SEPARATOR = "-" * 10
"""How popup_items() shows a separator line."""

BUTTONS = {"left": 1, "middle": 2, "right": 3}
DOUBLE_CLICK_GAP = 0.5
"""Seconds kept between two clicks at one spot: above Qt's 400 ms double-click interval."""

_POLL = 0.02
_MARKER_VAR = "ZOLVANTEK_E2E_SESSION"
# Variables of the caller's desktop that must not leak into the private one.
_FOREIGN_VARS = re.compile(
    r"^(DISPLAY|WAYLAND_DISPLAY|WAYLAND_SOCKET|DBUS_SESSION_BUS_ADDRESS|AT_SPI_BUS_ADDRESS"
    r"|XDG_RUNTIME_DIR|XDG_SESSION_.*|XDG_CURRENT_DESKTOP|DESKTOP_SESSION|SESSION_MANAGER"
    r"|XAUTHORITY|QT_.*|GTK_MODULES|NO_AT_BRIDGE)$")


class HarnessError(RuntimeError):
    pass


@dataclass(frozen=True)
class Geometry:
    x: int
    y: int
    width: int
    height: int

    @property
    def center(self) -> tuple[int, int]:
        return self.x + self.width // 2, self.y + self.height // 2

    def contains(self, px: int, py: int) -> bool:
        return self.x <= px < self.x + self.width and self.y <= py < self.y + self.height


@dataclass(frozen=True)
class Popup:
    window: int
    geometry: Geometry


@dataclass(frozen=True)
class MenuEntry:
    text: str
    role: str  # AT-SPI role name: "menu item", "check menu item", "separator", "menu", ...
    enabled: bool
    checked: bool
    focused: bool
    geometry: Geometry

    @property
    def is_separator(self) -> bool:
        return self.role == "separator"

    @property
    def selectable(self) -> bool:
        return not self.is_separator and self.enabled


@dataclass(frozen=True)
class WindowInfo:
    window: int
    title: str
    geometry: Geometry
    override_redirect: bool
    type: str  # last part of _NET_WM_WINDOW_TYPE, e.g. "NORMAL", "DIALOG", "TOOLTIP"


def _deadline_loop(timeout: float):
    """Yields until timeout seconds have passed; the caller breaks out on success."""
    end = time.monotonic() + timeout
    while True:
        yield
        if time.monotonic() >= end:
            return
        time.sleep(_POLL)


# ---------------------------------------------------------------------------- X11 ----

class _XWindowAttributes(ctypes.Structure):
    _fields_ = [
        ("x", ctypes.c_int), ("y", ctypes.c_int),
        ("width", ctypes.c_int), ("height", ctypes.c_int),
        ("border_width", ctypes.c_int), ("depth", ctypes.c_int),
        ("visual", ctypes.c_void_p), ("root", ctypes.c_ulong),
        ("c_class", ctypes.c_int), ("bit_gravity", ctypes.c_int),
        ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
        ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong),
        ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong),
        ("map_installed", ctypes.c_int), ("map_state", ctypes.c_int),
        ("all_event_masks", ctypes.c_long), ("your_event_mask", ctypes.c_long),
        ("do_not_propagate_mask", ctypes.c_long), ("override_redirect", ctypes.c_int),
        ("screen", ctypes.c_void_p),
    ]


_IS_VIEWABLE = 2
_ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
# Windows vanish between two queries all the time; Xlib's default handler would exit.
_ignore_x_errors = _ERROR_HANDLER(lambda _dpy, _event: 0)
_libx11 = None


def _x11():
    global _libx11
    if _libx11 is None:
        lib = ctypes.CDLL("libX11.so.6")
        ul, vp, i = ctypes.c_ulong, ctypes.c_void_p, ctypes.c_int
        lib.XOpenDisplay.restype = vp
        lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        lib.XCloseDisplay.argtypes = [vp]
        lib.XDefaultRootWindow.restype = ul
        lib.XDefaultRootWindow.argtypes = [vp]
        lib.XInternAtom.restype = ul
        lib.XInternAtom.argtypes = [vp, ctypes.c_char_p, i]
        lib.XGetAtomName.restype = vp
        lib.XGetAtomName.argtypes = [vp, ul]
        lib.XGetSelectionOwner.restype = ul
        lib.XGetSelectionOwner.argtypes = [vp, ul]
        lib.XQueryTree.restype = i
        lib.XQueryTree.argtypes = [vp, ul, ctypes.POINTER(ul), ctypes.POINTER(ul),
                                   ctypes.POINTER(ctypes.POINTER(ul)), ctypes.POINTER(ctypes.c_uint)]
        lib.XGetWindowAttributes.restype = i
        lib.XGetWindowAttributes.argtypes = [vp, ul, ctypes.POINTER(_XWindowAttributes)]
        lib.XTranslateCoordinates.restype = i
        lib.XTranslateCoordinates.argtypes = [vp, ul, ul, i, i, ctypes.POINTER(i),
                                              ctypes.POINTER(i), ctypes.POINTER(ul)]
        lib.XGetWindowProperty.restype = i
        lib.XGetWindowProperty.argtypes = [vp, ul, ul, ctypes.c_long, ctypes.c_long, i, ul,
                                           ctypes.POINTER(ul), ctypes.POINTER(i), ctypes.POINTER(ul),
                                           ctypes.POINTER(ul), ctypes.POINTER(ctypes.c_void_p)]
        lib.XFree.argtypes = [vp]
        lib.XSetErrorHandler.argtypes = [_ERROR_HANDLER]
        lib.XSetErrorHandler.restype = vp
        lib.XSetErrorHandler(_ignore_x_errors)
        _libx11 = lib
    return _libx11


class _XConnection:
    """Read-only queries on the private display."""

    def __init__(self, display: str):
        self._lib = _x11()
        self._dpy = self._lib.XOpenDisplay(display.encode())
        if not self._dpy:
            raise HarnessError(f"cannot open X display {display}")
        self.root = self._lib.XDefaultRootWindow(self._dpy)
        self._atoms: dict[str, int] = {}

    def close(self) -> None:
        if self._dpy:
            self._lib.XCloseDisplay(self._dpy)
            self._dpy = None

    def atom(self, name: str) -> int:
        if name not in self._atoms:
            self._atoms[name] = self._lib.XInternAtom(self._dpy, name.encode(), 0)
        return self._atoms[name]

    def atom_name(self, atom: int) -> str:
        ptr = self._lib.XGetAtomName(self._dpy, atom)
        if not ptr:
            return ""
        try:
            return ctypes.string_at(ptr).decode()
        finally:
            self._lib.XFree(ptr)

    def selection_owner(self, name: str) -> int:
        return self._lib.XGetSelectionOwner(self._dpy, self.atom(name))

    def children(self, window: int) -> list[int]:
        root, parent = ctypes.c_ulong(), ctypes.c_ulong()
        kids, count = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
        if not self._lib.XQueryTree(self._dpy, window, ctypes.byref(root), ctypes.byref(parent),
                                    ctypes.byref(kids), ctypes.byref(count)):
            return []
        try:
            return [kids[i] for i in range(count.value)]  # bottom to top
        finally:
            if kids:
                self._lib.XFree(kids)

    def attributes(self, window: int) -> _XWindowAttributes | None:
        attrs = _XWindowAttributes()
        if not self._lib.XGetWindowAttributes(self._dpy, window, ctypes.byref(attrs)):
            return None
        return attrs

    def is_viewable(self, window: int) -> bool:
        attrs = self.attributes(window)
        return attrs is not None and attrs.map_state == _IS_VIEWABLE

    def geometry(self, window: int) -> Geometry | None:
        attrs = self.attributes(window)
        if attrs is None:
            return None
        x, y, child = ctypes.c_int(), ctypes.c_int(), ctypes.c_ulong()
        if not self._lib.XTranslateCoordinates(self._dpy, window, self.root, 0, 0, ctypes.byref(x),
                                               ctypes.byref(y), ctypes.byref(child)):
            return None
        return Geometry(x.value, y.value, attrs.width, attrs.height)

    def _property(self, window: int, name: str):
        actual_type, fmt = ctypes.c_ulong(), ctypes.c_int()
        count, after, data = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
        status = self._lib.XGetWindowProperty(
            self._dpy, window, self.atom(name), 0, 1 << 16, 0, 0, ctypes.byref(actual_type),
            ctypes.byref(fmt), ctypes.byref(count), ctypes.byref(after), ctypes.byref(data))
        if status != 0 or not data:
            return None, 0, b""
        try:
            if fmt.value == 32:  # Xlib hands 32-bit items back as C longs
                values = ctypes.cast(data, ctypes.POINTER(ctypes.c_ulong))
                return actual_type.value, 32, [values[i] for i in range(count.value)]
            width = 2 if fmt.value == 16 else 1
            return actual_type.value, fmt.value, ctypes.string_at(data, count.value * width)
        finally:
            self._lib.XFree(data)

    def cardinals(self, window: int, name: str) -> list[int]:
        _, fmt, value = self._property(window, name)
        return value if fmt == 32 else []

    def text(self, window: int, name: str) -> str:
        _, fmt, value = self._property(window, name)
        return value.decode("utf-8", "replace") if fmt == 8 else ""

    def wm_class(self, window: int) -> tuple[str, ...]:
        return tuple(self.text(window, "WM_CLASS").split("\0")[:2])

    def title(self, window: int) -> str:
        return self.text(window, "_NET_WM_NAME") or self.text(window, "WM_NAME")

    def window_type(self, window: int) -> str:
        types = self.cardinals(window, "_NET_WM_WINDOW_TYPE")
        # Qt lists its own KDE type first; the standard one is what matters here.
        names = [self.atom_name(a) for a in types]
        standard = [n for n in names if n.startswith("_NET_WM_WINDOW_TYPE_")]
        return standard[0].removeprefix("_NET_WM_WINDOW_TYPE_") if standard else ""

    def pid(self, window: int) -> int | None:
        values = self.cardinals(window, "_NET_WM_PID")
        return values[0] if values else None


# ---------------------------------------------------------------- AT-SPI client ----

class _AtspiClient:
    """Talks JSON lines to the AT-SPI helper process (this file run with --atspi-agent)."""

    def __init__(self, env: dict[str, str], log: Path):
        self._log = open(log, "ab")
        self.proc = subprocess.Popen(
            ["/usr/bin/python3", os.path.abspath(__file__), "--atspi-agent"], env=env,
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=self._log,
            start_new_session=True, preexec_fn=_die_with_parent)
        self._buffer = b""
        hello = self._read(30.0)
        if not hello.get("ready"):
            raise HarnessError(f"AT-SPI helper did not start: {hello}")

    def _read(self, timeout: float) -> dict:
        end = time.monotonic() + timeout
        while b"\n" not in self._buffer:
            left = end - time.monotonic()
            if left <= 0:
                raise HarnessError("AT-SPI helper did not answer in time")
            ready, _, _ = select.select([self.proc.stdout], [], [], left)
            if ready:
                chunk = os.read(self.proc.stdout.fileno(), 65536)
                if not chunk:
                    raise HarnessError(f"AT-SPI helper exited (code {self.proc.poll()})")
                self._buffer += chunk
        line, self._buffer = self._buffer.split(b"\n", 1)
        return json.loads(line)

    def call(self, cmd: str, timeout: float = 5.0, **args) -> dict:
        self.proc.stdin.write((json.dumps({"cmd": cmd, "timeout": timeout, **args}) + "\n").encode())
        self.proc.stdin.flush()
        reply = self._read(timeout + 20.0)
        if not reply.get("ok"):
            raise HarnessError(f"AT-SPI {cmd}: {reply.get('error')}")
        return reply

    def close(self) -> None:
        try:
            if self.proc.poll() is None:
                self.proc.stdin.write(b'{"cmd": "quit"}\n')
                self.proc.stdin.flush()
                self.proc.wait(timeout=3)
        except (OSError, subprocess.TimeoutExpired, ValueError):
            pass
        _stop_group(self.proc)
        for pipe in (self.proc.stdin, self.proc.stdout):
            try:
                pipe.close()
            except OSError:
                pass
        self._log.close()


# ------------------------------------------------------------------- the desktop ----

class Desktop:
    """Xvfb + private D-Bus + AT-SPI + trayer, and at most one program under test.

    Everything started here is torn down by close() (or leaving the with block), also
    when a test fails. Logs of every process land in ARTIFACTS_DIR/logs/.
    """

    def __init__(self, artifacts_dir: str | os.PathLike, screen: str = "1024x768x24",
                 trayer_args: tuple[str, ...] = ("--edge", "top", "--align", "right",
                                                 "--widthtype", "pixel", "--width", "160",
                                                 "--height", "32", "--transparent", "false",
                                                 "--expand", "false")):
        self.artifacts_dir = Path(artifacts_dir)
        self.screen = screen
        self.trayer_args = trayer_args
        self.display: str | None = None
        self.bus_address: str | None = None
        self.program: subprocess.Popen | None = None
        self._procs: list[tuple[str, subprocess.Popen]] = []
        self._logs: list = []
        self._x: _XConnection | None = None
        self._atspi: _AtspiClient | None = None
        self._trayer: subprocess.Popen | None = None
        self._marker = uuid.uuid4().hex
        self._workdir: Path | None = None
        self._popup: Popup | None = None
        self._last_click: tuple[float, int, int, int] | None = None

    # -- life cycle ------------------------------------------------------------------

    def __enter__(self) -> "Desktop":
        try:
            self.start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc) -> None:
        self.close()

    def start(self) -> None:
        for tool in ("Xvfb", "trayer", "xdotool", "import", "dbus-daemon"):
            if shutil.which(tool) is None:
                raise HarnessError(f"{tool} is not installed")
        _become_subreaper()
        self.logs_dir = self.artifacts_dir / "logs"
        self.logs_dir.mkdir(parents=True, exist_ok=True)
        self._workdir = Path(tempfile.mkdtemp(prefix="zolvantek-e2e-"))
        self.runtime_dir = self._workdir / "runtime"
        self.home_dir = self._workdir / "home"
        self.config_dir = self._workdir / "home" / ".config"
        for d in (self.runtime_dir, self.home_dir, self.config_dir):
            d.mkdir(mode=0o700, parents=True, exist_ok=True)
        self._start_xvfb()
        self._x = _XConnection(self.display)
        self._start_session_bus()
        self._atspi = _AtspiClient(self.session_env(), self.logs_dir / "atspi-agent.log")
        self._start_trayer()

    def close(self) -> None:
        # Known now, while they still have an environment to read: zombies have none.
        marked = set(_marked_pids(self._marker))
        self.stop_program()
        if self._atspi is not None:
            self._atspi.close()
            self._atspi = None
        if self._x is not None:
            self._x.close()  # before Xvfb goes: a dead server makes Xlib exit the process
            self._x = None
        for name, proc in reversed(self._procs):
            _stop_group(proc)
        self._procs.clear()
        _sweep(self._marker, marked)
        for log in self._logs:
            log.close()
        self._logs.clear()
        if self._workdir is not None:
            shutil.rmtree(self._workdir, ignore_errors=True)
            self._workdir = None

    def _spawn(self, name: str, argv: list[str], env: dict[str, str], **kw) -> subprocess.Popen:
        log = open(self.logs_dir / f"{name}.log", "ab")
        log.write(f"==== {time.strftime('%H:%M:%S')} {' '.join(map(str, argv))}\n".encode())
        log.flush()
        self._logs.append(log)
        proc = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=kw.pop("stdout", log),
                                stderr=log, start_new_session=True, preexec_fn=_die_with_parent, **kw)
        self._procs.append((name, proc))
        return proc

    def _base_env(self) -> dict[str, str]:
        env = {k: v for k, v in os.environ.items() if not _FOREIGN_VARS.match(k)}
        env.setdefault("LANG", "C.UTF-8")
        env[_MARKER_VAR] = self._marker
        env["XDG_RUNTIME_DIR"] = str(self.runtime_dir)
        env["HOME"] = str(self.home_dir)
        env["XDG_CONFIG_HOME"] = str(self.config_dir)
        return env

    def session_env(self) -> dict[str, str]:
        """The environment of this desktop's session, for running other X or D-Bus tools."""
        env = self._base_env()
        env["DISPLAY"] = self.display
        env["DBUS_SESSION_BUS_ADDRESS"] = self.bus_address
        return env

    def _start_xvfb(self) -> None:
        read_fd, write_fd = os.pipe()
        try:
            proc = self._spawn("xvfb", ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", self.screen,
                                        "-nolisten", "tcp", "-noreset"],
                               self._base_env(), pass_fds=(write_fd,))
            os.close(write_fd)
            write_fd = -1
            number = _read_line(read_fd, 15.0, proc)
        finally:
            os.close(read_fd)
            if write_fd >= 0:
                os.close(write_fd)
        if not number.isdigit():
            raise HarnessError(f"Xvfb did not report a display: {number!r}")
        self.display = f":{number}"

    def _start_session_bus(self) -> None:
        read_fd, write_fd = os.pipe()
        env = self._base_env()
        env["DISPLAY"] = self.display  # activated services (the AT-SPI bus) inherit it
        try:
            proc = self._spawn("dbus", ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                                        f"--print-address={write_fd}"], env, pass_fds=(write_fd,))
            os.close(write_fd)
            write_fd = -1
            self.bus_address = _read_line(read_fd, 15.0, proc)
        finally:
            os.close(read_fd)
            if write_fd >= 0:
                os.close(write_fd)
        if not self.bus_address.startswith("unix:"):
            raise HarnessError(f"dbus-daemon did not report an address: {self.bus_address!r}")

    def _start_trayer(self) -> None:
        env = self.session_env()
        env["NO_AT_BRIDGE"] = "1"  # keep the tray host out of the accessibility tree
        self._trayer = self._spawn("trayer", ["trayer", *self.trayer_args], env)
        for _ in _deadline_loop(15.0):
            if self._trayer.poll() is not None:
                raise HarnessError(f"trayer exited with {self._trayer.returncode}")
            if (self._x.selection_owner("_NET_SYSTEM_TRAY_S0")
                    and self._tray_panel() is not None):
                return
        raise HarnessError("trayer did not take the system tray selection")

    # -- the program -----------------------------------------------------------------

    def start_program(self, argv: list[str], env: dict[str, str] | None = None,
                      path_prepend: list[str] | tuple[str, ...] = (), cwd: str | None = None,
                      wait_embedded: bool = True, timeout: float = 20.0) -> subprocess.Popen:
        """Starts the program under test and, by default, waits until its icon is in the tray
        and it is known to the accessibility bus. HOME is home_dir and XDG_CONFIG_HOME is
        config_dir unless env says otherwise; Qt runs on xcb with accessibility on."""
        if self.program is not None and self.program.poll() is None:
            raise HarnessError("a program is already running")
        full_env = self.session_env()
        full_env.update({
            "QT_QPA_PLATFORM": "xcb",
            "QT_ACCESSIBILITY": "1",
            "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
        })
        full_env.update(env or {})
        if path_prepend:
            full_env["PATH"] = os.pathsep.join([*map(str, path_prepend), full_env.get("PATH", "")])
        self.program = self._spawn("program", list(map(str, argv)), full_env, cwd=cwd)
        self._popup = None
        if wait_embedded:
            self.wait_icon_embedded(timeout)
            self._atspi.call("wait_app", timeout=timeout, pids=sorted(self._program_pids()))
        return self.program

    def program_running(self) -> bool:
        return self.program is not None and self.program.poll() is None

    def wait_program_exit(self, timeout: float = 10.0) -> int | None:
        """The exit code, or None if it still runs after timeout seconds."""
        if self.program is None:
            return None
        try:
            return self.program.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def stop_program(self) -> None:
        if self.program is not None:
            _stop_group(self.program)
            self.program = None
            self._popup = None

    def _program_pids(self) -> set[int]:
        """The program and whatever it started in its own process group."""
        if self.program is None:
            return set()
        pids = {self.program.pid}
        for entry in os.listdir("/proc"):
            if entry.isdigit():
                try:
                    if os.getpgid(int(entry)) == self.program.pid:
                        pids.add(int(entry))
                except OSError:
                    pass
        return pids

    # -- the tray icon ---------------------------------------------------------------

    def _tray_panel(self) -> int | None:
        for window in self._x.children(self._x.root):
            if self._x.wm_class(window) == ("panel", "trayer") and self._x.is_viewable(window):
                return window
        return None

    def icon_window(self) -> int | None:
        """The program's window embedded in trayer, if it is there and shown."""
        panel = self._tray_panel()
        if panel is None or self.program is None:
            return None
        pids = self._program_pids()
        # trayer puts each icon in a socket window of its own: panel > socket > icon.
        for socket in self._x.children(panel):
            for window in self._x.children(socket):
                if self._x.pid(window) in pids and self._x.is_viewable(window):
                    return window
        return None

    def is_icon_embedded(self) -> bool:
        window = self.icon_window()
        if window is None:
            return False
        geometry = self._x.geometry(window)
        return geometry is not None and geometry.width > 1 and geometry.height > 1

    def wait_icon_embedded(self, timeout: float = 20.0) -> None:
        for _ in _deadline_loop(timeout):
            if self.program is not None and self.program.poll() is not None:
                raise HarnessError(f"the program exited with {self.program.returncode} before its icon "
                                   f"was embedded (see {self.logs_dir / 'program.log'})")
            if self.is_icon_embedded():
                return
        raise HarnessError(f"the icon was not embedded in the tray within {timeout} s")

    def icon_geometry(self) -> Geometry:
        window = self.icon_window()
        geometry = self._x.geometry(window) if window is not None else None
        if geometry is None:
            raise HarnessError("the icon is not in the tray")
        return geometry

    # -- input -----------------------------------------------------------------------

    def xdotool(self, *args: str) -> None:
        subprocess.run(["xdotool", *map(str, args)], env=self.session_env(), check=True,
                       stdout=subprocess.DEVNULL, timeout=15)

    def key(self, *keys: str) -> None:
        """Sends keys (xdotool names: Down, Return, Escape, alt+F4, ...) to the focus."""
        self.xdotool("key", "--delay", "30", *keys)

    def type_text(self, text: str) -> None:
        self.xdotool("type", "--delay", "20", text)

    def click_at(self, x: int, y: int, button: str | int = "left") -> None:
        number = BUTTONS.get(button, button)
        # Two presses of one button at one spot within the double-click interval reach
        # Qt as a double click (QSystemTrayIcon reports DoubleClick, not Trigger); a
        # person clicking twice on purpose leaves more time than that.
        if self._last_click is not None:
            when, last_number, last_x, last_y = self._last_click
            wait = DOUBLE_CLICK_GAP - (time.monotonic() - when)
            if last_number == number and abs(last_x - x) <= 8 and abs(last_y - y) <= 8 and wait > 0:
                time.sleep(wait)
        self.xdotool("mousemove", x, y, "mousedown", number, "mouseup", number)
        self._last_click = (time.monotonic(), number, x, y)

    def park_pointer(self) -> None:
        """Moves the pointer off the tray so no tooltip comes up."""
        width, height = (int(v) for v in self.screen.split("x")[:2])
        self.xdotool("mousemove", width // 2, height - 10)

    def press(self, button: str | int, timeout: float = 5.0) -> Popup | None:
        """Presses and releases BUTTON (left/middle/right) at the icon's centre and waits
        up to timeout seconds for a popup window of the program to come up. Returns it,
        or None if none came (pass a short timeout when none is expected)."""
        before = self._popup_windows()
        x, y = self.icon_geometry().center
        self.click_at(x, y, button)
        for _ in _deadline_loop(timeout):
            fresh = [w for w in self._popup_windows() if w not in before]
            if fresh:
                window = fresh[-1]
                geometry = self._x.geometry(window)
                if geometry is not None:
                    self._popup = Popup(window, geometry)
                    return self._popup
        return None

    # -- popup menus -----------------------------------------------------------------

    def _popup_windows(self) -> list[int]:
        """The program's shown override-redirect top-level windows, tooltips left out."""
        pids = self._program_pids()
        found = []
        for window in self._x.children(self._x.root):
            attrs = self._x.attributes(window)
            if (attrs is not None and attrs.override_redirect and attrs.map_state == _IS_VIEWABLE
                    and self._x.pid(window) in pids
                    and self._x.window_type(window) not in ("TOOLTIP", "NOTIFICATION", "DND")):
                found.append(window)
        return found

    def popup(self) -> Popup | None:
        """The topmost shown popup of the program: a submenu once one is open."""
        windows = self._popup_windows()
        if not windows:
            self._popup = None
            return None
        top = windows[-1]  # X lists children bottom to top
        if self._popup is None or self._popup.window != top:
            geometry = self._x.geometry(top)
            if geometry is None:
                return None
            self._popup = Popup(top, geometry)
        return self._popup

    def popup_entries(self, timeout: float = 5.0) -> list[MenuEntry]:
        """Every entry of the shown popup menu, top to bottom, read from the program's
        accessibility interface. Checks that the menu read is the window on screen."""
        shown = self.popup()
        if shown is None:
            raise HarnessError("no popup menu is shown")
        reply = self._atspi.call("popup", timeout=timeout, pids=sorted(self._program_pids()))
        menu = Geometry(*reply["geometry"])
        if menu != shown.geometry:
            raise HarnessError(f"the accessible menu at {menu} is not the shown popup {shown.geometry}")
        return [MenuEntry(e["text"], e["role"], e["enabled"], e["checked"], e["focused"],
                          Geometry(*e["geometry"])) for e in reply["entries"]]

    def popup_items(self, timeout: float = 5.0) -> list[str]:
        """The texts of the shown popup menu's entries in order; separators read SEPARATOR."""
        return [SEPARATOR if e.is_separator else e.text for e in self.popup_entries(timeout)]

    def choose(self, text: str, method: str = "keys") -> None:
        """Chooses the entry whose text is TEXT in the shown popup menu: with "keys", Down
        until it is highlighted, then Return; with "click", a left click on it."""
        entries = self.popup_entries()
        matches = [e for e in entries if e.text == text and not e.is_separator]
        if len(matches) != 1:
            raise HarnessError(f"{len(matches)} entries read {text!r}: {[e.text for e in entries]}")
        target = matches[0]
        if not target.selectable:
            raise HarnessError(f"{text!r} is disabled")
        if method == "click":
            self.click_at(*target.geometry.center)
            return
        if method != "keys":
            raise ValueError(method)
        # Keyboard navigation skips separators and disabled entries and starts from the
        # highlighted one, if any.
        selectable = [e for e in entries if e.selectable]
        current = next((i for i, e in enumerate(selectable) if e.focused), -1)
        steps = selectable.index(target) - current
        if steps > 0:
            self.key(*["Down"] * steps)
        elif steps < 0:
            self.key(*["Up"] * -steps)
        for _ in _deadline_loop(3.0):
            focused = [e.text for e in self.popup_entries() if e.focused]
            if focused == [text]:
                break
        else:
            raise HarnessError(f"the keyboard highlighted {focused}, not {text!r}")
        self.key("Return")

    def close_popup(self, timeout: float = 5.0) -> None:
        """Escape until every popup (submenus first) is gone."""
        for _ in range(4):
            open_popups = len(self._popup_windows())
            if open_popups == 0:
                break
            self.key("Escape")
            for _ in _deadline_loop(timeout):
                if len(self._popup_windows()) < open_popups:
                    break
        if not self.wait_popup_closed(0.1):
            raise HarnessError("Escape did not close the popup")

    def wait_popup_closed(self, timeout: float = 5.0) -> bool:
        for _ in _deadline_loop(timeout):
            if not self._popup_windows():
                self._popup = None
                return True
        return False

    # -- windows and pictures --------------------------------------------------------

    def program_windows(self) -> list[WindowInfo]:
        """The program's shown top-level windows (dialogs, message boxes, popups)."""
        pids = self._program_pids()
        found = []
        for window in self._x.children(self._x.root):
            attrs = self._x.attributes(window)
            if attrs is None or attrs.map_state != _IS_VIEWABLE or self._x.pid(window) not in pids:
                continue
            found.append(WindowInfo(window, self._x.title(window), self._x.geometry(window),
                                    bool(attrs.override_redirect), self._x.window_type(window)))
        return found

    def wait_for_window(self, title: str, timeout: float = 10.0) -> WindowInfo:
        for _ in _deadline_loop(timeout):
            for info in self.program_windows():
                if info.title == title:
                    return info
        raise HarnessError(f"no window titled {title!r}; shown: "
                           f"{[w.title for w in self.program_windows()]}")

    def accessible_tree(self, max_depth: int = 12) -> list[dict]:
        """The program's accessible tree (its ordinary windows, not popups) as nested dicts
        with role, text and children: reads dialog and message box texts."""
        return self._atspi.call("tree", pids=sorted(self._program_pids()), max_depth=max_depth)["tree"]

    def session_pids(self) -> list[int]:
        """Every running process this desktop started, directly or not."""
        return _marked_pids(self._marker)

    def screenshot(self, name: str) -> Path:
        """The whole screen as ARTIFACTS_DIR/NAME.png."""
        path = self.artifacts_dir / (name if name.endswith(".png") else f"{name}.png")
        subprocess.run(["import", "-window", "root", str(path)], env=self.session_env(),
                       check=True, timeout=30, stdout=subprocess.DEVNULL)
        return path


# --------------------------------------------------------------- process helpers ----

def _read_line(fd: int, timeout: float, proc: subprocess.Popen) -> str:
    """The first line written to FD, for the ready reports of Xvfb and dbus-daemon."""
    data = b""
    end = time.monotonic() + timeout
    while b"\n" not in data:
        left = end - time.monotonic()
        if left <= 0 or proc.poll() is not None:
            break
        ready, _, _ = select.select([fd], [], [], min(left, 0.2))
        if ready:
            chunk = os.read(fd, 4096)
            if not chunk:
                break
            data += chunk
    return data.decode(errors="replace").strip()


def _die_with_parent() -> None:
    # Runs in the child before exec. If the test process is killed outright (a runner's
    # time-out), Xvfb and the bus die with it, and the rest lose their display and bus.
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None).prctl(PR_SET_PDEATHSIG, signal.SIGKILL, 0, 0, 0)


def _become_subreaper() -> None:
    # Services started by D-Bus activation outlive their parent bus; as the subreaper
    # this process inherits and reaps them instead of leaving zombies behind.
    PR_SET_CHILD_SUBREAPER = 36
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)


def _stop_group(proc: subprocess.Popen) -> None:
    """SIGTERM to the process group, SIGKILL after a grace period, then reaped."""
    for sig, grace in ((signal.SIGTERM, 3.0), (signal.SIGKILL, 3.0)):
        if proc.poll() is not None:
            break
        try:
            os.killpg(proc.pid, sig)
        except ProcessLookupError:
            pass
        try:
            proc.wait(timeout=grace)
        except subprocess.TimeoutExpired:
            continue
    try:  # the rest of its group (children that outlived it)
        os.killpg(proc.pid, signal.SIGKILL)
    except (ProcessLookupError, PermissionError):
        pass


def _marked_pids(marker: str) -> list[int]:
    needle = f"{_MARKER_VAR}={marker}".encode()
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) == os.getpid():
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as f:
                if needle in f.read().split(b"\0"):
                    found.append(int(entry))
        except OSError:
            pass
    return found


def _sweep(marker: str, known: set[int]) -> None:
    """Ends whatever still carries this desktop's marker in its environment, for example
    the accessibility bus that D-Bus activation started, and reaps it."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        pids = _marked_pids(marker)
        known.update(pids)
        for pid in pids:
            try:
                os.kill(pid, sig)
            except ProcessLookupError:
                pass
        for _ in _deadline_loop(2.0):
            _reap(known)
            if not _marked_pids(marker):
                break
        else:
            continue
        break
    _reap(known)


def _reap(pids) -> None:
    for pid in pids:
        try:
            os.waitpid(pid, os.WNOHANG)
        except ChildProcessError:
            pass


# ------------------------------------------------------------ the AT-SPI helper ----

def _atspi_agent() -> int:
    """Runs in its own process: keeps GLib and libatspi state out of the test process and
    ties it to one private bus. Reads JSON commands on stdin, answers one line each."""
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi, GLib

    Atspi.init()
    Atspi.set_timeout(3000, 15000)
    context = GLib.MainContext.default()
    shown: list = []  # popup menus whose last "showing" change was on, oldest first
    menu_roles = (Atspi.Role.POPUP_MENU, Atspi.Role.MENU)

    def on_showing(event):
        source = event.source
        try:
            if source.get_role() not in menu_roles:
                return
        except GLib.Error:
            return
        if source in shown:
            shown.remove(source)
        if event.detail1:
            shown.append(source)

    listener = Atspi.EventListener.new(on_showing)
    listener.register("object:state-changed:showing")

    def pump(seconds: float = 0.0):
        end = time.monotonic() + seconds
        while True:
            while context.pending():
                context.iteration(False)
            if time.monotonic() >= end:
                return
            time.sleep(0.01)

    def extents(acc) -> list[int]:
        rect = acc.get_extents(Atspi.CoordType.SCREEN)
        return [rect.x, rect.y, rect.width, rect.height]

    def states(acc) -> set[str]:
        return {s.value_nick for s in acc.get_state_set().get_states()}

    def apps(pids):
        desktop = Atspi.get_desktop(0)
        result = []
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            try:
                if app is not None and app.get_process_id() in pids:
                    result.append(app)
            except GLib.Error:
                pass
        return result

    def current_popup(pids):
        for menu in reversed(shown):
            try:
                if menu.get_process_id() in pids and "showing" in states(menu):
                    return menu
            except GLib.Error:
                continue
        return None

    def wait_for(predicate, timeout):
        end = time.monotonic() + timeout
        while True:
            pump()
            value = predicate()
            if value or time.monotonic() >= end:
                return value
            pump(0.02)

    def entry(acc) -> dict:
        st = states(acc)
        return {"text": acc.get_name() or "", "role": acc.get_role_name(),
                "enabled": "enabled" in st, "checked": "checked" in st,
                "focused": "focused" in st or "selected" in st, "geometry": extents(acc)}

    def tree(acc, depth, max_depth) -> dict:
        node = {"role": acc.get_role_name(), "text": acc.get_name() or "", "children": []}
        try:
            text_iface = acc.get_text_iface()
            if text_iface is not None:
                node["value"] = text_iface.get_text(0, -1)
        except GLib.Error:
            pass
        if depth < max_depth:
            for i in range(acc.get_child_count()):
                child = acc.get_child_at_index(i)
                if child is not None:
                    node["children"].append(tree(child, depth + 1, max_depth))
        return node

    def handle(request: dict) -> dict:
        cmd, timeout = request.get("cmd"), float(request.get("timeout", 5.0))
        pids = set(request.get("pids", []))
        if cmd == "wait_app":
            if not wait_for(lambda: apps(pids), timeout):
                return {"ok": False, "error": f"no application with pid in {sorted(pids)} "
                                              f"registered within {timeout} s"}
            pump(0.05)  # let the program learn of our listener before anything pops up
            return {"ok": True}
        if cmd == "popup":
            menu = wait_for(lambda: current_popup(pids), timeout)
            if menu is None:
                return {"ok": False, "error": "no popup menu of the program is shown"}
            items = [menu.get_child_at_index(i) for i in range(menu.get_child_count())]
            # Qt keeps hidden actions in the tree, marked not visible: a person never sees them.
            shown_items = [c for c in items if c and "visible" in states(c)]
            return {"ok": True, "geometry": extents(menu), "entries": [entry(c) for c in shown_items]}
        if cmd == "tree":
            return {"ok": True, "tree": [tree(app, 0, int(request.get("max_depth", 12)))
                                         for app in apps(pids)]}
        return {"ok": False, "error": f"unknown command {cmd!r}"}

    def reply(message: dict) -> None:
        sys.stdout.write(json.dumps(message) + "\n")
        sys.stdout.flush()

    reply({"ready": True})
    stdin = sys.stdin.buffer
    pending = b""
    while True:
        pump()
        ready, _, _ = select.select([stdin], [], [], 0.02)
        if not ready:
            continue
        chunk = os.read(stdin.fileno(), 65536)
        if not chunk:
            return 0
        pending += chunk
        while b"\n" in pending:
            line, pending = pending.split(b"\n", 1)
            request = json.loads(line)
            if request.get("cmd") == "quit":
                return 0
            try:
                reply(handle(request))
            except Exception as error:  # report, keep serving
                reply({"ok": False, "error": f"{type(error).__name__}: {error}"})


if __name__ == "__main__" and sys.argv[1:] == ["--atspi-agent"]:
    sys.exit(_atspi_agent())
