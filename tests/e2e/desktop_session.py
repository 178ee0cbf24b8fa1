"""A private desktop session for the tests, the benchmarks and the headless run: Xvfb on a
free display (-displayfd), a private D-Bus session bus, and a tray host: trayer (XEmbed) or
xfce4-panel with its systray plugin (StatusNotifierItem + DBusMenu, and XEmbed too).

    with Session(workdir, marker_var="MY_SESSION") as session:
        session.start_tray("xfce4-panel")       # waits until the host is ready
        subprocess.run([...], env=session.env())
        session.stop_tray()                     # a host that goes away (and comes back)

Everything started here carries a marker in its environment and is ended by close(), also
what D-Bus activation started on the way. X queries go through python3-xlib.
"""

from __future__ import annotations

import ctypes
import os
import re
import select
import shutil
import signal
import subprocess
import tempfile
import time
import uuid
from dataclasses import dataclass
from pathlib import Path

from Xlib import X
from Xlib import error as XlibError
from Xlib.display import Display

SCREEN = (1024, 768)
TRAY_HOSTS = ("trayer", "xfce4-panel")
TRAYER_ARGS = ("--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "160",
               "--height", "32", "--transparent", "false", "--expand", "false")
_POLL = 0.02
# Variables of the caller's desktop that must not leak into the private one.
_FOREIGN_VARS = re.compile(
    r"^(DISPLAY|WAYLAND_DISPLAY|WAYLAND_SOCKET|DBUS_SESSION_BUS_ADDRESS|AT_SPI_BUS_ADDRESS"
    r"|XDG_RUNTIME_DIR|XDG_SESSION_.*|XDG_CURRENT_DESKTOP|DESKTOP_SESSION|SESSION_MANAGER"
    r"|XAUTHORITY|QT_.*|GTK_MODULES|NO_AT_BRIDGE)$")
# One panel along the top edge holding only the notification area, so that whatever the
# panel shows is an icon in it.
_XFCE_PANEL_CONFIG = """<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="32"/>
      <property name="plugin-ids" type="array"><value type="int" value="1"/></property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
"""


class SessionError(RuntimeError):
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


def deadline_loop(timeout: float):
    """Yields until timeout seconds have passed; the caller breaks out on success."""
    end = time.monotonic() + timeout
    while True:
        yield
        if time.monotonic() >= end:
            return
        time.sleep(_POLL)


# ---------------------------------------------------------------------------- X11 ----

_IS_VIEWABLE = X.IsViewable


class XConnection:
    """Read-only queries on the private display; a window that vanished between two
    queries (they all the time do) answers as having nothing."""

    def __init__(self, display: str):
        try:
            self._dpy = Display(display)
        except XlibError.DisplayError as error:
            raise SessionError(f"cannot open X display {display}: {error}") from None
        self.root = self._dpy.screen().root.id

    def close(self) -> None:
        if self._dpy:
            self._dpy.close()
            self._dpy = None

    def _ask(self, window: int, request: str, *args):
        try:
            return getattr(self._dpy.create_resource_object("window", window), request)(*args)
        except XlibError.XError:
            return None

    def atom(self, name: str) -> int:
        return self._dpy.get_atom(name)

    def atom_name(self, atom: int) -> str:
        try:
            return self._dpy.get_atom_name(atom)
        except XlibError.XError:
            return ""

    def selection_owner(self, name: str) -> int:
        owner = self._dpy.get_selection_owner(self.atom(name))
        return getattr(owner, "id", owner)

    def children(self, window: int) -> list[int]:
        tree = self._ask(window, "query_tree")
        return [child.id for child in tree.children] if tree else []  # bottom to top

    def attributes(self, window: int):
        """GetWindowAttributes' reply (map_state, override_redirect, ...), or None."""
        return self._ask(window, "get_attributes")

    def is_viewable(self, window: int) -> bool:
        attrs = self.attributes(window)
        return attrs is not None and attrs.map_state == _IS_VIEWABLE

    def geometry(self, window: int) -> Geometry | None:
        size = self._ask(window, "get_geometry")
        place = self._ask(self.root, "translate_coords", window, 0, 0)
        return Geometry(place.x, place.y, size.width, size.height) if size and place else None

    def _property(self, window: int, name: str):
        found = self._ask(window, "get_full_property", self.atom(name), X.AnyPropertyType)
        return (found.format, found.value) if found else (0, b"")

    def cardinals(self, window: int, name: str) -> list[int]:
        fmt, value = self._property(window, name)
        return list(value) if fmt == 32 else []

    def text(self, window: int, name: str) -> str:
        fmt, value = self._property(window, name)
        return bytes(value).decode("utf-8", "replace") if fmt == 8 else ""

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


# ------------------------------------------------------------------- the session ----

class StartedInWith:
    """start() on entering a with block, close() on leaving it or when start() fails."""

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc) -> None:
        self.close()


class Session(StartedInWith):
    """Xvfb + a private session bus, and at most one tray host at a time."""

    def __init__(self, workdir: str | os.PathLike | None = None, logs_dir: str | os.PathLike | None = None,
                 marker_var: str = "ZOLVANTEK_SESSION", screen: tuple[int, int] = SCREEN):
        self._own_workdir = workdir is None
        self.workdir = Path(workdir or tempfile.mkdtemp(prefix="zolvantek-session-"))
        self.logs_dir = Path(logs_dir) if logs_dir else self.workdir / "logs"
        self.home_dir = self.workdir / "home"
        self.config_dir = self.home_dir / ".config"
        self.runtime_dir = self.workdir / "runtime"
        self.screen = screen
        self.display: str | None = None
        self.bus_address: str | None = None
        self.x: XConnection | None = None
        self.tray_kind: str | None = None
        self.tray: subprocess.Popen | None = None
        self._marker_var = marker_var
        self._marker = uuid.uuid4().hex
        self._procs: list[subprocess.Popen] = []
        self._logs: list = []

    def start(self) -> None:
        for tool in ("Xvfb", "dbus-daemon"):
            if shutil.which(tool) is None:
                raise SessionError(f"{tool} is not installed")
        become_subreaper()
        for d in (self.logs_dir, self.home_dir, self.config_dir, self.runtime_dir):
            d.mkdir(mode=0o700, parents=True, exist_ok=True)
        width, height = self.screen
        self.display = ":" + self._start_reporting(
            "xvfb", lambda fd: ["Xvfb", "-displayfd", str(fd), "-screen", "0", f"{width}x{height}x24",
                                "-nolisten", "tcp", "-noreset"], self.base_env())
        if not self.display[1:].isdigit():
            raise SessionError(f"Xvfb did not report a display: {self.display!r}")
        self.x = XConnection(self.display)
        env = self.base_env()
        env["DISPLAY"] = self.display  # activated services (the AT-SPI bus) inherit it
        self.bus_address = self._start_reporting(
            "dbus", lambda fd: ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                                f"--print-address={fd}"], env)
        if not self.bus_address.startswith("unix:"):
            raise SessionError(f"dbus-daemon did not report an address: {self.bus_address!r}")

    def close(self) -> None:
        # Known now, while they still have an environment to read: zombies have none.
        marked = set(marked_pids(self._marker_var, self._marker))
        if self.x is not None:
            self.x.close()  # while Xvfb is still there to hear it
            self.x = None
        for proc in reversed(self._procs):
            stop_group(proc)
        self._procs.clear()
        sweep(self._marker_var, self._marker, marked)
        for log in self._logs:
            log.close()
        self._logs.clear()
        if self._own_workdir:
            shutil.rmtree(self.workdir, ignore_errors=True)

    def base_env(self) -> dict[str, str]:
        env = {k: v for k, v in os.environ.items() if not _FOREIGN_VARS.match(k)}
        env.setdefault("LANG", "C.UTF-8")
        env[self._marker_var] = self._marker
        env["XDG_RUNTIME_DIR"] = str(self.runtime_dir)
        env["HOME"] = str(self.home_dir)
        env["XDG_CONFIG_HOME"] = str(self.config_dir)
        return env

    def env(self) -> dict[str, str]:
        """The session's environment, for programs and X or D-Bus tools run in it."""
        env = self.base_env()
        env["DISPLAY"] = self.display
        env["DBUS_SESSION_BUS_ADDRESS"] = self.bus_address
        return env

    def spawn(self, name: str, argv: list[str], env: dict[str, str], **kw) -> subprocess.Popen:
        """Starts a process in a group of its own, logging to LOGS_DIR/NAME.log."""
        log = open(self.logs_dir / f"{name}.log", "ab")
        log.write(f"==== {time.strftime('%H:%M:%S')} {' '.join(map(str, argv))}\n".encode())
        log.flush()
        self._logs.append(log)
        proc = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=kw.pop("stdout", log),
                                stderr=kw.pop("stderr", log), start_new_session=True,
                                preexec_fn=die_with_parent, **kw)
        self._procs.append(proc)
        return proc

    def session_pids(self) -> list[int]:
        """Every running process this session started, directly or not."""
        return marked_pids(self._marker_var, self._marker)

    def _start_reporting(self, name: str, argv_for_fd, env: dict[str, str]) -> str:
        """Starts a server that writes one line (its display, its address) to a pipe."""
        read_fd, write_fd = os.pipe()
        try:
            proc = self.spawn(name, argv_for_fd(write_fd), env, pass_fds=(write_fd,))
            os.close(write_fd)
            write_fd = -1
            return read_line(read_fd, 15.0, proc)
        finally:
            os.close(read_fd)
            if write_fd >= 0:
                os.close(write_fd)

    # -- the tray host ---------------------------------------------------------------

    def start_tray(self, kind: str = "trayer", timeout: float = 20.0) -> None:
        """Starts the tray host KIND (one of TRAY_HOSTS) and waits until it takes icons."""
        if kind not in TRAY_HOSTS:
            raise ValueError(kind)
        if shutil.which(kind) is None:
            raise SessionError(f"{kind} is not installed")
        if self.tray is not None and self.tray.poll() is None:
            raise SessionError("a tray host is already running")
        env = self.env()
        if kind == "trayer":
            env["NO_AT_BRIDGE"] = "1"  # keep the tray host out of the accessibility tree
            self.tray = self.spawn("trayer", ["trayer", *TRAYER_ARGS], env)
        else:
            config = self.config_dir / "xfce4" / "xfconf" / "xfce-perchannel-xml"
            config.mkdir(parents=True, exist_ok=True)
            (config / "xfce4-panel.xml").write_text(_XFCE_PANEL_CONFIG)
            # No window manager runs here, and none is needed by a panel.
            self.tray = self.spawn("xfce4-panel", ["xfce4-panel", "--disable-wm-check"], env)
        self.tray_kind = kind
        for _ in deadline_loop(timeout):
            if self.tray.poll() is not None:
                raise SessionError(f"{kind} exited with {self.tray.returncode}")
            if self.tray_ready():
                return
        raise SessionError(f"{kind} did not become ready within {timeout} s")

    def stop_tray(self) -> None:
        if self.tray is not None:
            stop_group(self.tray)
            self._procs.remove(self.tray)
            self.tray = None
        for _ in deadline_loop(10.0):
            if not self.x.selection_owner("_NET_SYSTEM_TRAY_S0") and not self.watcher_running():
                return
        raise SessionError("the tray host did not let go of the tray")

    def tray_ready(self) -> bool:
        if not self.x.selection_owner("_NET_SYSTEM_TRAY_S0") or self.tray_panel() is None:
            return False
        return self.tray_kind == "trayer" or self.host_registered()

    def tray_panel(self) -> int | None:
        """The host's shown panel window."""
        wanted = {"trayer": ("panel", "trayer"), "xfce4-panel": ("xfce4-panel", "Xfce4-panel")}
        for window in self.x.children(self.x.root):
            if self.x.wm_class(window) == wanted.get(self.tray_kind) and self.x.is_viewable(window):
                return window
        return None

    def drawn_icon_geometry(self, env: dict[str, str] | None = None) -> Geometry | None:
        """Where the host draws an exported icon: what differs from the background of its
        panel, which holds nothing but the notification area (and one icon in it)."""
        panel = self.tray_panel()
        area = self.x.geometry(panel) if panel is not None else None
        if area is None:
            return None
        shot = subprocess.run(["import", "-window", str(panel), "png:-"], env=env or self.env(),
                              capture_output=True, timeout=30)
        # The panel's own border lines are shaved off first.
        border = 2
        done = subprocess.run(["convert", "png:-", "-shave", f"{border}x{border}", "+repage", "-fuzz", "8%",
                               "-trim", "info:-"], input=shot.stdout, capture_output=True, timeout=30)
        # "png:- PNG 21x21 1020x29+0+4 ...": the size, then the page with the offset.
        found = re.search(r" (\d+)x(\d+) \d+x\d+\+(\d+)\+(\d+) ", done.stdout.decode(errors="replace"))
        if done.returncode != 0 or found is None:
            return None
        width, height, x, y = map(int, found.groups())
        if width >= area.width - 2 * border or width < 8 or height < 8:
            return None  # an empty panel trims to nothing (or to itself)
        return Geometry(area.x + border + x, area.y + border + y, width, height)

    def _bus_call(self, *args: str) -> str:
        done = subprocess.run(["dbus-send", "--session", "--print-reply", "--reply-timeout=2000", *args],
                              env=self.env(), capture_output=True, text=True, timeout=10)
        return done.stdout if done.returncode == 0 else ""

    def watcher_running(self) -> bool:
        names = self._bus_call("--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus.ListNames")
        return '"org.kde.StatusNotifierWatcher"' in names

    def host_registered(self) -> bool:
        reply = self._bus_call("--dest=org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                               "org.freedesktop.DBus.Properties.Get", "string:org.kde.StatusNotifierWatcher",
                               "string:IsStatusNotifierHostRegistered")
        return "boolean true" in reply

    def registered_items(self) -> list[str]:
        """The StatusNotifierItems the watcher knows, as "bus-name/path"."""
        reply = self._bus_call("--dest=org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                               "org.freedesktop.DBus.Properties.Get", "string:org.kde.StatusNotifierWatcher",
                               "string:RegisteredStatusNotifierItems")
        return re.findall(r'string "([^"]+)"', reply)


# --------------------------------------------------------------- process helpers ----

def read_line(fd: int, timeout: float, proc: subprocess.Popen) -> str:
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


def die_with_parent() -> None:
    # Runs in the child before exec. If the test process is killed outright (a runner's
    # time-out), Xvfb and the bus die with it, and the rest lose their display and bus.
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None).prctl(PR_SET_PDEATHSIG, signal.SIGKILL, 0, 0, 0)


def become_subreaper() -> None:
    # Services started by D-Bus activation outlive their parent bus; as the subreaper
    # this process inherits and reaps them instead of leaving zombies behind.
    PR_SET_CHILD_SUBREAPER = 36
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)


def stop_group(proc: subprocess.Popen) -> None:
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


def marked_pids(marker_var: str, marker: str) -> list[int]:
    needle = f"{marker_var}={marker}".encode()
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


def sweep(marker_var: str, marker: str, known: set[int]) -> None:
    """Ends whatever still carries this desktop's marker in its environment, for example
    the accessibility bus that D-Bus activation started, and reaps it."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        pids = marked_pids(marker_var, marker)
        known.update(pids)
        for pid in pids:
            try:
                os.kill(pid, sig)
            except ProcessLookupError:
                pass
        for _ in deadline_loop(2.0):
            reap(known)
            if not marked_pids(marker_var, marker):
                break
        else:
            continue
        break
    reap(known)


def reap(pids) -> None:
    for pid in pids:
        try:
            os.waitpid(pid, os.WNOHANG)
        except ChildProcessError:
            pass


def reap_orphans(keep: set[int] = frozenset()) -> None:
    """Reaps finished processes that were handed to us as subreaper."""
    me = os.getpid()
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) in keep:
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if fields[0] == "Z" and int(fields[1]) == me:
            try:
                os.waitpid(int(entry), os.WNOHANG)
            except ChildProcessError:
                pass


def stop_pid(pid: int, grace: float = 3.0) -> None:
    """Ends a program that was started in a session of its own elsewhere, and reaps it."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(pid, sig)
        except ProcessLookupError:
            return
        end = time.monotonic() + grace
        while time.monotonic() < end:
            try:
                done, _ = os.waitpid(pid, os.WNOHANG)
            except ChildProcessError:
                done = pid  # not ours to reap: it is gone once the group is empty
                try:
                    os.killpg(pid, 0)
                    done = 0
                except ProcessLookupError:
                    pass
            if done == pid:
                return
            time.sleep(0.02)
