"""The private desktop that the end-to-end tests, the benchmarks and the headless run share:
Xvfb (xvfbwrapper), a D-Bus session bus (dbusmock's), a tray host (trayer: XEmbed;
xfce4-panel: StatusNotifierItem), X read with python3-xlib, input through xdotool, and every
process it started ended with psutil."""

from __future__ import annotations

import contextlib
import os
import re
import shlex
import shutil
import subprocess
import time
import uuid
from dataclasses import dataclass
from pathlib import Path

import dbus
import psutil
from dbusmock import DBusTestCase
from Xlib import X
from Xlib import error as xerror
from Xlib.display import Display
from xvfbwrapper import Xvfb

WATCHER = "org.kde.StatusNotifierWatcher"
_MARKER = "ZOLVANTEK_SESSION"
# The caller's own desktop must not leak into the private one.
_FOREIGN = re.compile(r"^(WAYLAND_.*|XDG_SESSION_.*|XDG_CURRENT_DESKTOP|DESKTOP_SESSION|SESSION_MANAGER"
                      r"|XAUTHORITY|QT_.*|GTK_MODULES|AT_SPI_BUS_ADDRESS)$")
_TRAYER = "trayer --edge top --align right --widthtype pixel --width 160 --height 32 --transparent false --expand false"
# One panel along the top holding only the notification area: whatever it shows is an icon.
_XFCE_PANEL = """<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0"><property name="configver" type="int" value="2"/>
  <property name="panels" type="array"><value type="int" value="1"/><property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="32"/>
      <property name="plugin-ids" type="array"><value type="int" value="1"/></property>
  </property></property>
  <property name="plugins" type="empty"><property name="plugin-1" type="string" value="systray"/></property>
</channel>
"""


def wait_for(check, timeout: float, what: str):
    end = time.monotonic() + timeout
    while not (found := check()):
        if time.monotonic() > end:
            raise TimeoutError(f"{what}: not within {timeout} s")
        time.sleep(0.02)
    return found


@dataclass(frozen=True)
class Box:
    x: int
    y: int
    width: int
    height: int

    @property
    def center(self) -> tuple[int, int]:
        return self.x + self.width // 2, self.y + self.height // 2


class Desktop:
    def __init__(self, workdir: str | os.PathLike):
        self.workdir = Path(workdir)
        self.logs, self.home = self.workdir / "logs", self.workdir / "home"
        self.config, self.runtime = self.home / ".config", self.workdir / "runtime"
        self.tray = self.tray_kind = self._xvfb = self.x = self.bus = None
        self._procs: list[subprocess.Popen] = []
        self._last_click = (0.0, None)

    def __enter__(self) -> Desktop:
        try:
            self.start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *_) -> None:
        self.close()

    def start(self) -> None:
        shutil.rmtree(self.workdir, ignore_errors=True)
        for folder in (self.logs, self.config, self.runtime):
            folder.mkdir(mode=0o700, parents=True)
        # Inherited by the servers and by what the bus starts, so that close() finds them all.
        os.environ[_MARKER] = uuid.uuid4().hex
        self._xvfb = Xvfb(1024, 768, nolisten="tcp")
        self._xvfb.start()
        self.display = os.environ["DISPLAY"]
        self.x = wait_for(self._connect, 10, "Xvfb taking connections")
        self.root = self.x.screen().root
        # xfce4-panel keeps its settings in xfconfd, which the bus starts on demand, and
        # what the bus starts lives in this session too, never in the caller's home.
        DBusTestCase.enable_service("org.xfce.Xfconf")
        DBusTestCase.start_session_bus()
        self.bus = dbus.bus.BusConnection(os.environ["DBUS_SESSION_BUS_ADDRESS"])
        places = {k: v for k, v in self.env().items() if k in ("HOME", "XDG_CONFIG_HOME", "XDG_RUNTIME_DIR")}
        self.bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus").UpdateActivationEnvironment(
            places, dbus_interface="org.freedesktop.DBus")

    def close(self) -> None:
        if self.x is not None:  # closed while the server is there to hear it, unless Ctrl+C ended that too
            with contextlib.suppress(xerror.ConnectionClosedError):
                self.x.close()
        marker = os.environ.pop(_MARKER, None)
        mine = [p for p in psutil.process_iter(["environ"])
                if p.pid != os.getpid() and marker and (p.info["environ"] or {}).get(_MARKER) == marker]
        for proc in mine:
            with contextlib.suppress(psutil.NoSuchProcess):
                proc.terminate()
        for proc in psutil.wait_procs(mine, timeout=3)[1]:
            with contextlib.suppress(psutil.NoSuchProcess):
                proc.kill()
        for proc in self._procs:
            proc.wait()
        if self.bus is not None:
            self.bus.close()
        data = DBusTestCase._DBusTestCase__datadir  # dbusmock keeps its bus's files there
        DBusTestCase.tearDownClass()
        shutil.rmtree(data or "/nonexistent", ignore_errors=True)
        if self._xvfb is not None:
            self._xvfb.stop()
        self._xvfb = self.x = self.bus = None

    def _connect(self):
        # Before Xvfb listens, Xlib falls back to TCP, whose port for xvfbwrapper's display numbers overflows.
        with contextlib.suppress(xerror.DisplayError, OverflowError):
            return Display(self.display)

    def env(self, **extra: str) -> dict[str, str]:
        """The session's environment, for the program and for X and D-Bus tools."""
        env = {k: v for k, v in os.environ.items() if not _FOREIGN.match(k)}
        env.update(HOME=str(self.home), XDG_CONFIG_HOME=str(self.config), XDG_RUNTIME_DIR=str(self.runtime),
                   LANG="C.UTF-8", NO_AT_BRIDGE="1", GSETTINGS_BACKEND="memory", QT_QPA_PLATFORM="xcb", **extra)
        return env

    def spawn(self, name: str, argv: list, env: dict[str, str] | None = None) -> subprocess.Popen:
        """Starts a process in a session of its own, its output in LOGS/NAME.log."""
        with open(self.logs / f"{name}.log", "ab") as log:
            self._procs.append(subprocess.Popen(list(map(str, argv)), env=env or self.env(), stdin=subprocess.DEVNULL,
                                                stdout=log, stderr=log, start_new_session=True))
        return self._procs[-1]

    def log(self, name: str) -> str:
        return (self.logs / f"{name}.log").read_text(errors="replace")

    def write_settings(self, text: str) -> Path:
        """The program's settings file in this session's home, as a person would write it."""
        path = self.config / "Brindlex Software Solutions" / "Zolvantek.ini"
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(text, encoding="utf-8")
        return path

    # -- X ----------------------------------------------------------------------------

    def _ask(self, window, request: str, *args):
        with contextlib.suppress(xerror.XError, AttributeError):
            return getattr(window, request)(*args)

    def _prop(self, window, name: str):
        found = self._ask(window, "get_full_property", self.x.intern_atom(name), X.AnyPropertyType)
        return found.value if found else []

    def pid(self, window) -> int | None:
        values = self._prop(window, "_NET_WM_PID")
        return int(values[0]) if len(values) else None

    def box(self, window) -> Box | None:
        size, place = self._ask(window, "get_geometry"), self._ask(self.root, "translate_coords", window, 0, 0)
        return Box(place.x, place.y, size.width, size.height) if size and place else None

    def _viewable(self, window) -> bool:
        attributes = self._ask(window, "get_attributes")
        return attributes is not None and attributes.map_state == X.IsViewable

    def windows(self, pids=None) -> list:
        """Shown top-level windows, bottom to top, of the processes PIDS (or of anyone)."""
        tree = self._ask(self.root, "query_tree")
        return [w for w in (tree.children if tree else []) if self._viewable(w) and (pids is None or self.pid(w) in pids)]

    def subwindows(self, window) -> list:
        """The shown windows inside WINDOW, all levels down."""
        tree = self._ask(window, "query_tree")
        return [s for w in (tree.children if tree else []) if self._viewable(w) for s in (w, *self.subwindows(w))]

    def titled(self, title: str, owner: subprocess.Popen | None = None) -> Box | None:
        return next((self.box(w) for w in self.windows(_tree(owner) if owner else None)
                     if bytes(self._prop(w, "_NET_WM_NAME")).decode(errors="replace") == title), None)

    def popups(self, pids=None) -> list[Box]:
        """The menus on the screen: override-redirect windows (or the utility window a menu is
        in a Wayland session), no tooltip, none GTK parks off the screen."""
        tooltip = {self.x.intern_atom(f"_NET_WM_WINDOW_TYPE_{t}") for t in ("TOOLTIP", "NOTIFICATION", "DND")}
        utility = self.x.intern_atom("_NET_WM_WINDOW_TYPE_UTILITY")
        return [box for w in self.windows(pids)
                if (getattr(self._ask(w, "get_attributes"), "override_redirect", 0)
                    or utility in self._prop(w, "_NET_WM_WINDOW_TYPE"))
                and not tooltip & set(self._prop(w, "_NET_WM_WINDOW_TYPE"))
                and (box := self.box(w)) and box.x + box.width > 0 and box.y + box.height > 0]

    # -- the tray host ----------------------------------------------------------------

    def start_tray(self, kind: str) -> None:
        if kind == "xfce4-panel":
            channel = self.config / "xfce4" / "xfconf" / "xfce-perchannel-xml" / "xfce4-panel.xml"
            channel.parent.mkdir(parents=True, exist_ok=True)
            channel.write_text(_XFCE_PANEL)
        # No window manager runs here, and a panel needs none.
        self.tray = self.spawn(kind, _TRAYER.split() if kind == "trayer" else [kind, "--disable-wm-check"])
        self.tray_kind = kind
        wait_for(self._tray_ready, 20, f"{kind} ready")

    def stop_tray(self) -> None:
        """Ends the tray host, as when a panel crashes or restarts."""
        os.killpg(self.tray.pid, 15)
        self.tray.wait(5)
        wait_for(lambda: not self._tray_owner() and not self.bus.name_has_owner(WATCHER), 10,
                 "the tray host letting go of the tray")

    def _tray_owner(self) -> int:
        owner = self.x.get_selection_owner(self.x.intern_atom("_NET_SYSTEM_TRAY_S0"))
        return getattr(owner, "id", owner)

    def _tray_ready(self) -> bool:
        if self.tray.poll() is not None:
            raise RuntimeError(f"{self.tray_kind} ended with {self.tray.returncode}")
        if not self._tray_owner() or self.panel() is None:
            return False
        with contextlib.suppress(dbus.DBusException):
            return self.tray_kind == "trayer" or bool(self.bus.get_object(WATCHER, "/StatusNotifierWatcher").Get(
                WATCHER, "IsStatusNotifierHostRegistered", dbus_interface=dbus.PROPERTIES_IFACE))

    def panel(self):
        wanted = {"trayer": b"panel\0trayer\0", "xfce4-panel": b"xfce4-panel\0Xfce4-panel\0"}[self.tray_kind]
        return next((w for w in self.windows() if bytes(self._prop(w, "WM_CLASS")) == wanted), None)

    def item(self, program: subprocess.Popen) -> str | None:
        """The bus connection that holds the program's StatusNotifierItem, if one does."""
        pids, bus = _tree(program), self.bus.get_object("org.freedesktop.DBus", "/org/freedesktop/DBus")
        for name in (n for n in self.bus.list_names() if n.startswith(":")):
            with contextlib.suppress(dbus.DBusException):
                if bus.GetConnectionUnixProcessID(name) in pids:
                    self.bus.get_object(name, "/StatusNotifierItem", introspect=False).Get(
                        "org.kde.StatusNotifierItem", "Id", dbus_interface=dbus.PROPERTIES_IFACE)
                    return str(name)
        return None

    def icon(self, program: subprocess.Popen) -> Box | None:
        """Where the program's icon is shown: its docked window (XEmbed), else, when its item
        is exported, what the host draws in its panel."""
        panel = self.panel() if self.tray is not None and self.tray.poll() is None else None
        if panel is None:
            return None
        pids = _tree(program)
        docked = next((w for w in self.subwindows(panel) if self.pid(w) in pids), None)
        return self.box(docked) if docked is not None else self._drawn_icon(panel) if self.item(program) else None

    def _drawn_icon(self, panel) -> Box | None:
        # What differs from the panel's background inside its border lines.
        area, border = self.box(panel), 2
        width = area.width - 2 * border
        image = self._ask(panel, "get_image", border, border, width, area.height - 2 * border, X.ZPixmap, 0xFFFFFFFF)
        pixels = [image.data[i:i + 3] for i in range(0, len(image.data), 4)] if image else []
        changed = [i for i, p in enumerate(pixels) if sum(abs(a - b) for a, b in zip(p, pixels[0])) > 60]
        if not changed:
            return None
        xs, ys = [i % width for i in changed], [i // width for i in changed]
        box = Box(area.x + border + min(xs), area.y + border + min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1)
        return box if 8 <= box.width < width and box.height >= 8 else None

    def wait_icon(self, program: subprocess.Popen, timeout: float = 20) -> Box:
        def shown():
            if program.poll() is not None:
                raise RuntimeError(f"the program ended with {program.returncode} before its icon showed")
            return self.icon(program)
        return wait_for(shown, timeout, "the icon in the tray")

    # -- input ------------------------------------------------------------------------

    def xdotool(self, *args) -> None:
        subprocess.run(["xdotool", *map(str, args)], env=self.env(), check=True, timeout=15)

    def key(self, *keys: str) -> None:
        self.xdotool("key", "--delay", "40", *keys)

    def click(self, x: int, y: int, button: str = "left") -> None:
        number = {"left": 1, "middle": 2, "right": 3}[button]
        # Two presses at one spot within Qt's 400 ms reach it as a double click.
        when, last = self._last_click
        if last == (x, y, number):
            time.sleep(max(0.0, when + 0.5 - time.monotonic()))
        self.xdotool("mousemove", x, y, "click", number)
        self._last_click = (time.monotonic(), (x, y, number))

    def press(self, icon: Box, button: str, owner: subprocess.Popen | None = None, timeout: float = 5) -> Box | None:
        return self.new_popup(lambda: self.click(*icon.center, button), owner, timeout)

    def new_popup(self, act, owner: subprocess.Popen | None = None, timeout: float = 5) -> Box | None:
        """Does ACT and waits for a new menu of OWNER's (of anyone's without); None when none
        came within TIMEOUT."""
        pids = _tree(owner) if owner else None
        before = set(self.popups(pids))
        act()
        with contextlib.suppress(TimeoutError):
            return wait_for(lambda: next((p for p in self.popups(pids) if p not in before), None), timeout, "a menu")


class Recorder:
    """Stand-ins for what a choice starts, each writing down its arguments: take(name) gives
    those of its next run. PATH has xdg-open first; PROGRAM's path has blanks and shell characters."""

    SCRIPT = "#!/bin/sh\nprintf '%s\\0' \"$@\" > {log}.$$\nmv {log}.$$ {log}\n"

    def __init__(self, folder: Path):
        self.folder, self.path = folder, f"{folder / 'bin'}:{os.environ['PATH']}"
        self.program = folder / "my programs; $(x)" / "rec 'prog'"
        for stand_in in (folder / "bin" / "xdg-open", self.program):
            stand_in.parent.mkdir(parents=True, exist_ok=True)
            stand_in.write_text(self.SCRIPT.format(log=shlex.quote(str(folder / f"{stand_in.name}.log"))))
            stand_in.chmod(0o755)

    def take(self, name: str, timeout: float = 10) -> list[str] | None:
        log = self.folder / f"{name}.log"
        with contextlib.suppress(TimeoutError):
            wait_for(log.exists, timeout, f"{name} started")
            words = log.read_bytes().split(b"\0")[:-1]
            log.unlink()
            return [w.decode() for w in words]


def _tree(proc: subprocess.Popen) -> set[int]:
    with contextlib.suppress(psutil.Error):
        return {proc.pid, *(c.pid for c in psutil.Process(proc.pid).children(recursive=True))}
    return {proc.pid}
