"""What only a real desktop shows: the icon and both menus in a tray host of each protocol
(trayer: XEmbed; xfce4-panel: StatusNotifierItem, with the exported menu drawn by the
panel), a tray that comes late or restarts, the notice when there is none, real launches,
Close, and the pressed point a host sends through XWayland."""

import subprocess
import time
from pathlib import Path

import dbus
import dbusmock
import pytest
from dbusmock import DBusTestCase

from conftest import PROGRAM, start_program
from session import WATCHER, wait_for

NO_TRAY = "this desktop shows no tray icons"


@pytest.mark.parametrize("host", ["trayer", "xfce4-panel"])
def test_a_late_tray_gets_the_icon_and_both_menus_launch_until_close(desktop, recorder, tmp_path, host):
    work = tmp_path / 'Work, "quoted"'
    work.mkdir()
    desktop.write_settings(f"[Directories]\nDir1=Work | {work} | Explorer | Normal\n"
                            f'DirP1=Recorder | {recorder.program} | --from-menu "two words" | Normal\n')
    _, notices = DBusTestCase.spawn_server_template("notification_daemon", stdout=subprocess.DEVNULL)
    program = start_program(desktop, recorder)
    started = time.monotonic()
    wait_for(lambda: NO_TRAY in desktop.log("program"), 5, "a word on stderr about the missing tray")
    time.sleep(max(0.0, started + 11.5 - time.monotonic()))
    sent = [call[1] for call in notices.GetMethodCalls("Notify", dbus_interface=dbusmock.MOCK_IFACE)]
    assert [(s[3], "AppIndicator" in s[4]) for s in sent] == [("ZOLVANTEK", True)]
    assert desktop.windows({program.pid}) == [], "a window came up without a tray"

    for restart in (False, True):
        desktop.start_tray(host)
        icon = desktop.wait_icon(program)
        # Left: PROGRAMS, whose entry starts the stored program with its arguments.
        assert desktop.press(icon, "left", owner=program), "no menu after a left press"
        desktop.key("Up", "Return")
        assert recorder.take(recorder.program.name) == ["--from-menu", "two words"]
        # Right: WINDOWS EXPLORER, popped by the program or drawn by the panel; never both.
        assert desktop.press(icon, "right"), "no menu after a right press"
        assert len(desktop.popups({program.pid})) == (1 if host == "trayer" else 0)
        desktop.key("Up", "Return")
        assert recorder.take("xdg-open") == [str(work)]
        if not restart:
            desktop.stop_tray()

    # The commands of PROGRAMS: Help (its last) opens the page the build lays out, then Close.
    assert desktop.press(icon, "left", owner=program)
    desktop.key("Down", "Right", "Up", "Return")
    page = Path(recorder.take("xdg-open")[0])
    assert page.resolve() == PROGRAM.resolve().parents[1] / "share/zolvantek/help/zolvantek.html"
    assert desktop.press(icon, "left", owner=program)
    desktop.key("Down", "Right", "Down", "Return")
    assert program.wait(10) == 0


def test_show_starts_the_program_and_a_message_from_a_choice_takes_the_keyboard(desktop, recorder, tmp_path):
    """Two processes on one session bus, and the keyboard's focus with no window manager."""
    desktop.write_settings(f"[Directories]\nDir1=Work | {tmp_path} | Explorer | Normal\n"
                           "DirP1=Gone | /nowhere/gone |  | Normal\n")
    desktop.start_tray("trayer")
    first = start_program(desktop, recorder, "--show", "programs")
    wait_for(lambda: desktop.popups({first.pid}), 20, "PROGRAMS from --show")
    desktop.key("g", "Return")
    wait_for(lambda: desktop.titled("ZOLVANTEK", first), 5, "the message box")
    assert start_program(desktop, recorder, "--show", "directories").wait(15) == 0  # the box still open
    wait_for(lambda: desktop.popups({first.pid}), 5, "WINDOWS EXPLORER from --show")
    desktop.key("w", "o", "Return")
    assert recorder.take("xdg-open") == [str(tmp_path)]
    desktop.key("Return")
    wait_for(lambda: not desktop.windows({first.pid}), 5, "Enter closing the box")


def plasma_watcher(desktop) -> None:
    """A tray watcher that, like Plasma's, lives in kded5: one connection owns both names."""
    DBusTestCase.spawn_server(WATCHER, "/StatusNotifierWatcher", WATCHER, stdout=subprocess.DEVNULL)
    mock = desktop.bus.get_object(WATCHER, "/StatusNotifierWatcher")
    mock.AddMethods(WATCHER, [("RegisterStatusNotifierItem", "s", "", ""),
                              ("RegisterStatusNotifierHost", "s", "", ""),
                              ("OwnKded", "", "", "self.kded = dbus.service.BusName('org.kde.kded5', self.connection)")],
                    dbus_interface=dbusmock.MOCK_IFACE)
    mock.AddProperties(WATCHER, {"RegisteredStatusNotifierItems": dbus.Array([], signature="s"),
                                 "IsStatusNotifierHostRegistered": True, "ProtocolVersion": dbus.Int32(0)},
                       dbus_interface=dbusmock.MOCK_IFACE)
    mock.OwnKded(dbus_interface=WATCHER)


@pytest.mark.parametrize("host", ["plasma", "xfce4-panel"])
def test_through_xwayland_programs_opens_at_a_pressed_point_on_the_screen(desktop, host):
    """X does not know where the pointer is over a Wayland panel: PROGRAMS opens where the
    host says the icon was pressed when it sends a point on the screen (Plasma, GNOME
    Shell), else at the pointer (waybar, and xfce4-panel here, send one within the icon).
    The point comes from Qt's qt.qpa.tray debug line, whose format this pins."""
    desktop.write_settings("[Directories]\nDirP1=True | /bin/true |  | Normal\n")
    plasma_watcher(desktop) if host == "plasma" else desktop.start_tray(host)
    # Only the variables matter: the program still talks to this X server.
    program = start_program(desktop, WAYLAND_DISPLAY="wayland-not-used", XDG_CURRENT_DESKTOP="KDE")
    name = wait_for(lambda: desktop.item(program), 10, "the exported item")
    item = desktop.bus.get_object(name, "/StatusNotifierItem", introspect=False)  # Activate: a host's left press
    desktop.xdotool("mousemove", 3, 3)
    for x, y in ((600, 300), (-150, 420)):  # a point left of the screen: the menu at its edge
        popup = desktop.new_popup(lambda: item.Activate(x, y, dbus_interface="org.kde.StatusNotifierItem"), program)
        assert popup and (popup.x, popup.y) == ((max(x, 0), y) if host == "plasma" else (3, 3))
        desktop.key("Escape")  # the menu has the keyboard
        wait_for(lambda: not desktop.popups({program.pid}), 5, "Escape closing PROGRAMS")
