"""A private X desktop with a real tray host, for driving the tray program end to end.

    with Desktop(artifacts_dir) as desk:
        desk.start_program([binary])            # waits until the icon sits in the tray
        desk.press("left")                      # returns the popup window, or None
        print(desk.popup_items())               # ["Item 1", ..., SEPARATOR, ...]
        desk.choose("Item 3")                   # keyboard: Down ... Return
        desk.screenshot("after")

What runs: the desktop session of desktop_session.py (Xvfb on a free display, a private
D-Bus session bus, a tray host: trayer for XEmbed, or xfce4-panel whose notification area
takes StatusNotifierItems and draws their exported menus itself), the AT-SPI accessibility
bus that the session bus activates, and the program under test. Menus the host draws are
found and read the same way as the program's own (press(..., host_menu=True)).
Menu texts are read over AT-SPI by a helper process (this file run with --atspi-agent):
Qt leaves popup menus out of the application's accessible tree, so the helper follows
the "showing" state changes Qt sends for them. X queries go through libX11 via ctypes;
input goes through xdotool (XTEST).

Only Debian packages are needed: xvfb, trayer, xfce4-panel, xfconf, xdotool, imagemagick,
dbus, at-spi2-core, python3-gi, gir1.2-atspi-2.0.
"""

from __future__ import annotations

import json
import os
import re
import select
import shutil
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from desktop_session import (Geometry, Session, SessionError, StartedInWith, XConnection,  # noqa: E402,F401
                             deadline_loop, die_with_parent, stop_group)
from desktop_session import _IS_VIEWABLE  # noqa: E402

SEPARATOR = "-" * 10
"""How popup_items() shows a separator line."""

BUTTONS = {"left": 1, "middle": 2, "right": 3}
DOUBLE_CLICK_GAP = 0.5
"""Seconds kept between two clicks at one spot: above Qt's 400 ms double-click interval."""

_MARKER_VAR = "ZOLVANTEK_E2E_SESSION"


class HarnessError(SessionError):
    pass


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


# ---------------------------------------------------------------- AT-SPI client ----

class _AtspiClient:
    """Talks JSON lines to the AT-SPI helper process (this file run with --atspi-agent)."""

    def __init__(self, env: dict[str, str], log: Path):
        self._log = open(log, "ab")
        self.proc = subprocess.Popen(
            ["/usr/bin/python3", os.path.abspath(__file__), "--atspi-agent"], env=env,
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=self._log,
            start_new_session=True, preexec_fn=die_with_parent)
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
        stop_group(self.proc)
        for pipe in (self.proc.stdin, self.proc.stdout):
            try:
                pipe.close()
            except OSError:
                pass
        self._log.close()


# ------------------------------------------------------------------- the desktop ----

class Desktop(StartedInWith):
    """A desktop session (Xvfb, private D-Bus, a tray host: see desktop_session) with the
    AT-SPI helper, and at most one program under test.

    TRAY is "trayer" (XEmbed) or "xfce4-panel" (StatusNotifierItem + DBusMenu), or None
    for a desktop without one (start_tray() brings one later). Everything started here is
    torn down by close() (or leaving the with block), also when a test fails. Logs of
    every process land in ARTIFACTS_DIR/logs/.
    """

    def __init__(self, artifacts_dir: str | os.PathLike, screen: str = "1024x768x24",
                 tray: str | None = "trayer"):
        self.artifacts_dir = Path(artifacts_dir)
        self.screen = screen
        self.tray = tray
        self.program: subprocess.Popen | None = None
        self._session: Session | None = None
        self._atspi: _AtspiClient | None = None
        self._popup: Popup | None = None
        self._last_click: tuple[float, int, int, int] | None = None
        self._menu_owner = "program"
        self.home_dir: Path | None = None
        self.config_dir: Path | None = None
        self.logs_dir = self.artifacts_dir / "logs"

    # -- life cycle ------------------------------------------------------------------

    def start(self) -> None:
        for tool in ("xdotool", "import"):
            if shutil.which(tool) is None:
                raise HarnessError(f"{tool} is not installed")
        self.logs_dir.mkdir(parents=True, exist_ok=True)
        width, height = (int(v) for v in self.screen.split("x")[:2])
        self._session = Session(None, self.logs_dir, _MARKER_VAR, (width, height))
        self._session.start()
        self.home_dir = self._session.home_dir
        self.config_dir = self._session.config_dir
        self._atspi = _AtspiClient(self.session_env(), self.logs_dir / "atspi-agent.log")
        if self.tray is not None:
            self.start_tray(self.tray)

    def close(self) -> None:
        self.stop_program()
        if self._atspi is not None:
            self._atspi.close()
            self._atspi = None
        if self._session is not None:
            self._session.close()
            self._session = None

    @property
    def display(self) -> str | None:
        return self._session.display if self._session else None

    @property
    def _x(self) -> XConnection:
        return self._session.x

    def session_env(self) -> dict[str, str]:
        """The environment of this desktop's session, for running other X or D-Bus tools."""
        env = self._session.env()
        env["HOME"] = str(self.home_dir)
        env["XDG_CONFIG_HOME"] = str(self.config_dir)
        return env

    def _spawn(self, name: str, argv: list[str], env: dict[str, str], **kw) -> subprocess.Popen:
        return self._session.spawn(name, argv, env, **kw)

    # -- the tray host ---------------------------------------------------------------

    def start_tray(self, kind: str | None = None, timeout: float = 20.0) -> None:
        """Starts the tray host (by default the one this desktop was made with) and waits
        until it takes icons: a host that comes late, or comes back."""
        self.tray = kind or self.tray or "trayer"
        self._session.start_tray(self.tray, timeout)

    def stop_tray(self) -> None:
        """Ends the tray host, as when a panel crashes or restarts."""
        self._session.stop_tray()

    def tray_items(self) -> list[str]:
        """The StatusNotifierItems the D-Bus tray knows."""
        return self._session.registered_items()

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
            stop_group(self.program)
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
        return self._session.tray_panel() if self._session.tray is not None else None

    def icon_window(self) -> int | None:
        """The program's window docked in the tray (XEmbed), if it is there and shown."""
        panel = self._tray_panel()
        if panel is None or self.program is None:
            return None
        pids = self._program_pids()
        # The host wraps each icon in a socket window of its own, some levels down.
        pending = list(self._x.children(panel))
        while pending:
            window = pending.pop()
            if self._x.pid(window) in pids:
                if self._x.is_viewable(window):
                    return window
                continue
            pending.extend(self._x.children(window))
        return None

    def icon_exported(self) -> bool:
        """The program's icon is a StatusNotifierItem the D-Bus tray knows."""
        return self.program is not None and self._session.tray is not None and any(
            item.endswith("/StatusNotifierItem") for item in self.tray_items())

    def _drawn_icon_geometry(self) -> Geometry | None:
        return self._session.drawn_icon_geometry(self.session_env())

    def is_icon_embedded(self) -> bool:
        """The icon is shown in the tray, docked (XEmbed) or drawn by the host (D-Bus)."""
        try:
            geometry = self.icon_geometry()
        except HarnessError:
            return False
        return geometry.width > 1 and geometry.height > 1

    def wait_icon_embedded(self, timeout: float = 20.0) -> None:
        for _ in deadline_loop(timeout):
            if self.program is not None and self.program.poll() is not None:
                raise HarnessError(f"the program exited with {self.program.returncode} before its icon "
                                   f"was shown (see {self.logs_dir / 'program.log'})")
            if self.is_icon_embedded():
                return
        raise HarnessError(f"the icon was not shown in the tray within {timeout} s")

    wait_icon_shown = wait_icon_embedded

    def icon_geometry(self) -> Geometry:
        window = self.icon_window()
        geometry = self._x.geometry(window) if window is not None else None
        if geometry is None and self.icon_exported():
            geometry = self._drawn_icon_geometry()
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

    def press(self, button: str | int, timeout: float = 5.0, host_menu: bool = False) -> Popup | None:
        """Presses and releases BUTTON (left/middle/right) at the icon's centre and waits
        up to timeout seconds for a popup window of the program (with host_menu, of the
        tray host: the exported menu it draws) to come up. Returns it, or None if none
        came (pass a short timeout when none is expected)."""
        self._menu_owner = "host" if host_menu else "program"
        before = self._popup_windows()
        x, y = self.icon_geometry().center
        self.click_at(x, y, button)
        return self._wait_fresh_popup(before, timeout)

    def activate_item(self, x: int, y: int, timeout: float = 5.0) -> Popup | None:
        """Sends the icon's StatusNotifierItem an Activate at (x, y), as a host does on a
        left press, and waits for a popup of the program as press() does."""
        self._menu_owner = "program"
        before = self._popup_windows()
        item = next(i for i in self.tray_items() if i.endswith("/StatusNotifierItem"))
        service, path = item.split("/", 1)
        subprocess.run(["dbus-send", "--session", "--print-reply", f"--dest={service}", f"/{path}",
                        "org.kde.StatusNotifierItem.Activate", f"int32:{x}", f"int32:{y}"],
                       env=self.session_env(), check=True, capture_output=True, timeout=10)
        return self._wait_fresh_popup(before, timeout)

    def _wait_fresh_popup(self, before: list[int], timeout: float) -> Popup | None:
        for _ in deadline_loop(timeout):
            fresh = [w for w in self._popup_windows() if w not in before]
            if fresh:
                window = fresh[-1]
                geometry = self._x.geometry(window)
                if geometry is not None:
                    self._popup = Popup(window, geometry)
                    return self._popup
        return None

    def host_popup(self) -> Popup | None:
        """The topmost menu the tray host shows, if any."""
        owner, self._menu_owner = self._menu_owner, "host"
        try:
            return self.popup()
        finally:
            self._menu_owner = owner

    # -- popup menus -----------------------------------------------------------------

    def _menu_pids(self) -> set[int]:
        if self._menu_owner == "host":
            # The host may draw its menus from a helper process (xfce4-panel's plugin wrapper).
            return set(self._session.session_pids()) - self._program_pids() if self._session else set()
        return self._program_pids()

    def _popup_windows(self) -> list[int]:
        """The shown override-redirect top-level windows of the program (or of the tray
        host while its menu is the one pressed for), tooltips left out."""
        pids = self._menu_pids()
        found = []
        for window in self._x.children(self._x.root):
            attrs = self._x.attributes(window)
            if (attrs is not None and attrs.override_redirect and attrs.map_state == _IS_VIEWABLE
                    and self._x.pid(window) in pids
                    and self._x.window_type(window) not in ("TOOLTIP", "NOTIFICATION", "DND")
                    and not self._off_screen(window)):
                found.append(window)
        return found

    def _off_screen(self, window: int) -> bool:
        # GTK maps helper windows of its menus at -100,-100 now and then.
        geometry = self._x.geometry(window)
        return geometry is not None and (geometry.x + geometry.width <= 0 or geometry.y + geometry.height <= 0)

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
        reply = self._atspi.call("popup", timeout=timeout, pids=sorted(self._menu_pids()))
        menu = Geometry(*reply["geometry"])
        if menu != shown.geometry:
            raise HarnessError(f"the accessible menu at {menu} is not the shown popup {shown.geometry}")
        return [MenuEntry(e["text"], e["role"], e["enabled"], e["checked"], e["focused"],
                          Geometry(*e["geometry"])) for e in reply["entries"]]

    def popup_items(self, timeout: float = 5.0) -> list[str]:
        """The texts of the shown popup menu's entries in order; separators read SEPARATOR."""
        return [SEPARATOR if e.is_separator else e.text for e in self.popup_entries(timeout)]

    def choose(self, text: str) -> None:
        """Chooses the entry whose text is TEXT in the shown popup menu: Down until it is
        highlighted, then Return."""
        entries = self.popup_entries()
        matches = [e for e in entries if e.text == text and not e.is_separator]
        if len(matches) != 1:
            raise HarnessError(f"{len(matches)} entries read {text!r}: {[e.text for e in entries]}")
        target = matches[0]
        if not target.selectable:
            raise HarnessError(f"{text!r} is disabled")
        # Keyboard navigation skips separators and disabled entries and starts from the
        # highlighted one, if any.
        selectable = [e for e in entries if e.selectable]
        current = next((i for i, e in enumerate(selectable) if e.focused), -1)
        steps = selectable.index(target) - current
        if steps > 0:
            self.key(*["Down"] * steps)
        elif steps < 0:
            self.key(*["Up"] * -steps)
        for _ in deadline_loop(3.0):
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
            for _ in deadline_loop(timeout):
                if len(self._popup_windows()) < open_popups:
                    break
        if not self.wait_popup_closed(0.1):
            raise HarnessError("Escape did not close the popup")

    def wait_popup_closed(self, timeout: float = 5.0) -> bool:
        for _ in deadline_loop(timeout):
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
        for _ in deadline_loop(timeout):
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
        return self._session.session_pids()

    def screenshot(self, name: str) -> Path:
        """The whole screen as ARTIFACTS_DIR/NAME.png."""
        path = self.artifacts_dir / (name if name.endswith(".png") else f"{name}.png")
        subprocess.run(["import", "-window", "root", str(path)], env=self.session_env(),
                       check=True, timeout=30, stdout=subprocess.DEVNULL)
        return path


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
