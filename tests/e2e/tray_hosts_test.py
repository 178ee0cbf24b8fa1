"""Both presses on both tray protocols, a tray that comes late or restarts, and a desktop
with no tray at all: the real program against trayer (XEmbed) and xfce4-panel (its
notification area takes StatusNotifierItems and draws their exported menus)."""

import json
import subprocess
import time
import unittest
from pathlib import Path

from e2e_support import ARTIFACTS, PROGRAM, SEPARATOR, Desktop, ProgramInTray, run, take_log, write_settings
from desktop_session import deadline_loop

NO_TRAY_LINE = "this desktop shows no tray icons"
NOTICE_DELAY = 10.0


class BothPresses:
    """A left press opens PROGRAMS, a right press WINDOWS EXPLORER (drawn by the host where
    the menu is exported), a middle press nothing, and nothing opens twice."""

    TRAY = ""

    @classmethod
    def settings_for(cls, root: Path) -> str:
        (root / "work").mkdir()
        return ("[Directories]\n"
                f"Dir1=Work | {root / 'work'} | Explorer | Normal\n"
                f"DirP1=Recorder | {cls.program} | --from-menu | Normal\n")

    def right_press(self):
        host_draws = self.TRAY == "xfce4-panel"
        popup = self.desk.press("right", host_menu=host_draws)
        self.assertIsNotNone(popup, "no menu after a right press")
        return popup

    def test_left_opens_programs_right_windows_explorer_middle_nothing(self):
        self.assertIsNotNone(self.desk.press("left"), "no popup after a left press")
        self.desk.screenshot(f"{self.TRAY}-left")
        self.assertEqual(self.desk.popup_items(), ["PROGRAMS", SEPARATOR, SEPARATOR, "Recorder"])
        self.desk.choose("Recorder")
        self.assertEqual(take_log(self.program_log)[1:], ["--from-menu"])
        self.assertTrue(self.desk.wait_popup_closed())

        self.right_press()
        self.desk.screenshot(f"{self.TRAY}-right")
        self.assertEqual(self.desk.popup_items(), ["WINDOWS EXPLORER", SEPARATOR, SEPARATOR, "Work"])
        # Exactly one menu: the program pops nothing of its own beside the one the host draws.
        own_menus = [w for w in self.desk.program_windows() if w.override_redirect and w.type != "TOOLTIP"]
        self.assertEqual(len(own_menus), 1 if self.TRAY == "trayer" else 0, own_menus)
        self.desk.choose("Work")
        self.assertEqual(take_log(self.opener_log)[1:], [str(self.root / "work")])
        self.assertTrue(self.desk.wait_popup_closed())

        self.assertIsNone(self.desk.press("middle", timeout=1.0))
        self.assertIsNone(self.desk.press("middle", timeout=0.2, host_menu=True))

    def test_the_submenu_of_the_right_press_holds_the_commands(self):
        self.right_press()
        self.desk.choose("WINDOWS EXPLORER")
        time.sleep(0.3)
        popup = self.desk.popup() if self.TRAY == "trayer" else self.desk.host_popup()
        self.assertIsNotNone(popup)
        self.assertEqual(self.desk.popup_items(),
                         ["Add or Modify", SEPARATOR, "Close", SEPARATOR, "About ZOLVANTEK", "Help"])


class TrayerPresses(BothPresses, ProgramInTray):
    TRAY = "trayer"


class XfcePanelPresses(BothPresses, ProgramInTray):
    TRAY = "xfce4-panel"


class PressPointThroughXWayland(unittest.TestCase):
    """In a Wayland session seen through XWayland, X does not know where the pointer is
    over the panel: PROGRAMS opens where the host says the icon was pressed if the host
    sends a point on the screen (GNOME Shell, Plasma), else at the pointer as before
    (waybar sends one within the icon)."""

    def start(self, name: str, tray: str | None) -> Desktop:
        desk = Desktop(ARTIFACTS / name, tray=tray)
        desk.__enter__()
        self.addCleanup(desk.close)
        write_settings(desk, "[Directories]\nDirP1=True | /bin/true | | Normal\n")
        return desk

    def start_program(self, desk: Desktop) -> None:
        # Only the variable matters: the program still talks to the desktop's X server.
        desk.start_program([str(PROGRAM)], env={"WAYLAND_DISPLAY": "wayland-not-used"},
                           wait_embedded=False)
        for _ in deadline_loop(10.0):
            if desk.tray_items():
                break
        desk.xdotool("mousemove", 3, 3)

    def test_a_screen_point_places_programs_there(self):
        desk = self.start("press-point-screen", tray=None)
        watcher = desk._spawn("watcher", ["/usr/bin/python3", str(Path(__file__).parent / "screen_point_watcher.py")],
                              desk.session_env(), stdout=subprocess.PIPE)
        self.assertEqual(watcher.stdout.readline().strip(), b"ready")
        watcher.stdout.close()
        self.start_program(desk)
        for x, y in ((600, 300), (150, 420)):
            popup = desk.activate_item(x, y)
            self.assertIsNotNone(popup, f"no PROGRAMS after Activate at {x},{y}")
            self.assertEqual((popup.geometry.x, popup.geometry.y), (x, y))
            self.assertEqual(desk.popup_items()[0], "PROGRAMS")
            # No key and no press elsewhere reaches the menu there: the icon closes it.
            self.assertIsNone(desk.activate_item(x, y, timeout=0.5))
            self.assertTrue(desk.wait_popup_closed())

    def test_a_point_from_another_host_is_not_taken(self):
        desk = self.start("press-point-other", tray="xfce4-panel")
        self.start_program(desk)
        popup = desk.activate_item(10, 15)
        self.assertIsNotNone(popup)
        self.assertEqual((popup.geometry.x, popup.geometry.y), (3, 3))


class HandEditedSettings(ProgramInTray):
    """The settings file edited by hand while the program runs, in place or replaced as
    most editors save: both menus follow it, the one the host draws too."""

    TRAY = "xfce4-panel"

    @classmethod
    def settings_for(cls, root: Path) -> str:
        (root / "logs").mkdir()
        return f"[Directories]\nDir1=Work | {root} | Explorer | Normal\nDirP1=Recorder | {cls.program} | | Normal\n"

    def menu_after_press(self, button: str, wanted) -> list[str]:
        """The entries of the menu a press opens, once they are WANTED (a test of them), or
        as they are after some tries; the menu stays open."""
        for _ in range(20):
            self.assertIsNotNone(self.desk.press(button, host_menu=button == "right"))
            shown = self.desk.popup_items()
            if wanted(shown):
                break
            self.desk.close_popup()
            time.sleep(0.25)
        return shown

    def test_both_menus_follow_the_file(self):
        with open(self.settings_path, "a", encoding="utf-8") as settings:
            settings.write(f"Dir2=Logs | {self.root / 'logs'} | Explorer | Normal\n")
        self.assertEqual(len(self.menu_after_press("right", lambda shown: len(shown) == 5)), 5)
        # GTK keeps the accessible name the item had while hidden, though it draws the new
        # caption: the new item is chosen by its place, the last one.
        self.desk.key("Up", "Return")
        self.assertEqual(take_log(self.opener_log)[1:], [str(self.root / "logs")])

        replacement = self.settings_path.with_suffix(".new")
        replacement.write_text(self.settings.replace("DirP1=Recorder", "DirP1=Edited"), encoding="utf-8")
        replacement.replace(self.settings_path)
        self.assertEqual(self.menu_after_press("left", lambda shown: shown[-1] == "Edited"),
                         ["PROGRAMS", SEPARATOR, SEPARATOR, "Edited"])
        self.desk.close_popup()
        self.assertEqual(len(self.menu_after_press("right", lambda shown: len(shown) == 4)), 4)


class LateAndMissingTray(unittest.TestCase):
    """The program started before any tray: it says so at once, tells the desktop once
    after a while, and shows its icon as soon as a tray comes, and again after a restart."""

    def start_without_tray(self, name: str) -> Desktop:
        desk = Desktop(ARTIFACTS / name, tray=None)
        desk.__enter__()
        self.addCleanup(desk.close)
        return desk

    def wait_icon(self, desk: Desktop) -> float:
        started = time.monotonic()
        desk.wait_icon_embedded(20.0)
        return time.monotonic() - started

    def check_presses(self, desk: Desktop, tray: str) -> None:
        self.assertIsNotNone(desk.press("left"), f"no PROGRAMS after a late {tray}")
        desk.close_popup()
        self.assertIsNotNone(desk.press("right", host_menu=tray == "xfce4-panel"),
                             f"no WINDOWS EXPLORER after a late {tray}")
        desk.close_popup()

    def test_late_trayer_and_no_tray_notice(self):
        desk = self.start_without_tray("late-trayer")
        notices = desk.artifacts_dir / "notices.jsonl"
        notices.unlink(missing_ok=True)
        recorder = desk._spawn("notifications", ["/usr/bin/python3", str(Path(__file__).parent /
                                                  "notification_recorder.py"), str(notices)],
                               desk.session_env(), stdout=subprocess.PIPE)
        self.assertEqual(recorder.stdout.readline().strip(), b"ready")
        recorder.stdout.close()
        started = time.monotonic()
        desk.start_program([str(PROGRAM)], wait_embedded=False)
        log = desk.logs_dir / "program.log"
        while NO_TRAY_LINE not in log.read_text(errors="replace"):
            self.assertLess(time.monotonic() - started, 5.0, "no word on stderr about the missing tray")
            time.sleep(0.05)
        time.sleep(NOTICE_DELAY + 2.0 - (time.monotonic() - started))
        sent = [json.loads(line) for line in notices.read_text().splitlines()] if notices.exists() else []
        self.assertEqual(len(sent), 1, sent)
        self.assertEqual(sent[0]["summary"], "ZOLVANTEK")
        self.assertIn("AppIndicator", sent[0]["body"])
        self.assertFalse(desk.program_windows(), "a window came up without a tray")

        desk.start_tray("trayer")
        print(f"icon {self.wait_icon(desk):.2f} s after trayer was ready")
        self.check_presses(desk, "trayer")
        desk.stop_tray()
        desk.start_tray("trayer")
        print(f"icon {self.wait_icon(desk):.2f} s after trayer came back")
        self.check_presses(desk, "trayer")

    def test_late_xfce_panel_and_its_restart(self):
        desk = self.start_without_tray("late-xfce4-panel")
        desk.start_program([str(PROGRAM)], wait_embedded=False)
        time.sleep(5.0)
        desk.start_tray("xfce4-panel")
        print(f"icon {self.wait_icon(desk):.2f} s after xfce4-panel was ready")
        self.assertTrue(desk.icon_exported(), "the icon did not go out as a StatusNotifierItem")
        desk.screenshot("late-xfce4-panel")
        self.check_presses(desk, "xfce4-panel")
        desk.stop_tray()
        desk.start_tray("xfce4-panel")
        print(f"icon {self.wait_icon(desk):.2f} s after xfce4-panel came back")
        self.check_presses(desk, "xfce4-panel")


if __name__ == "__main__":
    run()
