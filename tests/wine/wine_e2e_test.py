#!/usr/bin/env python3
"""zolvantek.exe under Wine as a Windows user meets it: the icon in the tray (trayer, not
Wine's own tray window), both menus with the lists from the registry, launching a program
and a folder, the missing-program message, About, the editor writing the registry, Help
and Close. Launches are caught by launch_probe.exe, which also stands in for Explorer and
for the browser, and reports what it was started with."""

import os
import subprocess
import sys
import time
import unittest
import zipfile
from pathlib import Path

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, str(Path(__file__).resolve().parent))
from wine_desktop import WineDesktop, WineDesktopError, similar, unix_to_windows  # noqa: E402

ZIP = Path(os.environ["ZOLVANTEK_ZIP"])
PROBE = Path(os.environ["ZOLVANTEK_PROBE"])
ARTIFACTS = Path(os.environ.get("E2E_ARTIFACTS", "/tmp/zolvantek-e2e-artifacts")) / "wine"

KEY = r"HKEY_CURRENT_USER\Software\Brindlex Software Solutions\Zolvantek\Directories"
PROGRAM = r"C:\Zolvantek\zolvantek.exe"
PROBE_AT = r"C:\Probe Tools\probe.exe"
LISTS = {
    "Dir1": r"System | C:\windows\system32 | Explorer | Normal",
    "Dir3": r"Fonts | C:\windows\Fonts | Form | Maximized",
    "DirP1": "Probe | " + PROBE_AT + r' | alpha "two words" | Minimized',
    "DirP2": r"Missing | C:\nowhere\gone.exe |  | Normal",
}


def twips_center(left: int, top: int, width: int, height: int) -> tuple[int, int]:
    """A control's middle in pixels, from its place in the window design (96 dpi)."""
    return round((left + width / 2) / 15), round((top + height / 2) / 15)


def reg_text(values: dict[str, str]) -> str:
    lines = [f"[{KEY}]"]
    for name, value in values.items():
        escaped = value.replace("\\", "\\\\").replace('"', '\\"')
        lines.append(f'"{name}"="{escaped}"')
    return "\r\n".join(lines) + "\r\n"


class WindowsProgramTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.desk = WineDesktop(ARTIFACTS)
        cls.desk.__enter__()
        try:
            cls._install()
        except BaseException:
            cls.desk.__exit__(None, None, None)
            raise

    @classmethod
    def tearDownClass(cls):
        cls.desk.__exit__(None, None, None)

    @classmethod
    def _install(cls):
        desk = cls.desk
        folder = desk.c_path(PROGRAM).parent
        # Unpacked from the portable zip, as a user who does not install has it.
        with zipfile.ZipFile(ZIP) as archive:
            archive.extractall(folder)
        desk.c_path(PROBE_AT).parent.mkdir(parents=True)
        for target in (PROBE_AT, r"C:\windows\explorer.exe", r"C:\Browser\browser.exe"):
            desk.c_path(target).parent.mkdir(parents=True, exist_ok=True)
            subprocess.run(["cp", str(PROBE), str(desk.c_path(target))], check=True)
        desk.import_registry(reg_text(LISTS) + "\r\n" + (
            "[HKEY_CLASSES_ROOT\\.html]\r\n@=\"ZolvantekTestPage\"\r\n\r\n"
            "[HKEY_CLASSES_ROOT\\ZolvantekTestPage\\shell\\open\\command]\r\n"
            "@=\"\\\"C:\\\\Browser\\\\browser.exe\\\" \\\"%1\\\"\"\r\n"))
        cls.report = desk.prefix.parent / "probe.report"
        started = time.monotonic()
        cls.icon = desk.start_program(
            PROGRAM, {"ZOLVANTEK_PROBE_REPORT": unix_to_windows(cls.report)})
        print(f"exec to icon docked: {time.monotonic() - started:.1f} s", file=sys.stderr)

    # ------------------------------------------------------------------ helpers ----
    def take_report(self, timeout: float = 20) -> dict[str, str]:
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if self.report.exists():
                text = self.report.read_text(encoding="latin-1")
                self.report.unlink()
                return dict(line.split("=", 1) for line in text.splitlines() if "=" in line)
            time.sleep(0.05)
        self.fail("the probe did not run")

    def popup(self, exclude=()):
        """The menu on the screen (Qt may show a menu again in the window it had)."""
        return self.desk.wait_window(
            lambda w: w.name == "ZOLVANTEK" and w.id not in exclude and self.desk.is_popup(w),
            what="popup menu")

    def menu_shown(self) -> bool:
        return any(w.name == "ZOLVANTEK" and self.desk.is_popup(w) for w in self.desk.top_level())

    def open_menu(self, button: int):
        """Presses the icon; the popup's window."""
        self.desk._wait(lambda: not self.menu_shown(), 10, "a menu stayed open")
        self.desk.click(*self.desk.settled_icon().center, button=button)
        try:
            return self.popup()
        except WineDesktopError:
            self.desk.screenshot("no-popup")
            raise

    def close_menu(self):
        """Escape, as often as it takes: a key pressed while Wine is still handing the
        keyboard to the new menu is lost. (A click outside lands on no Wine window.)"""
        def closed():
            self.desk.keys("Escape")
            return not self.menu_shown()
        self.desk._wait(closed, 10, "the menu stayed open")

    def choose(self, button: int, caption: str, shot: str = "menu"):
        """Presses the icon and clicks the item that shows `caption`."""
        self.desk.click_text(shot, self.open_menu(button), caption)

    def menu_lines(self, name: str, popup) -> list[str]:
        lines = self.desk.read_text(name, popup)
        # The submenu's arrow reads as a stray sign after its caption.
        return [line.rstrip(" >+»") for line in lines]

    def assert_lines(self, seen: list[str], expected: list[str]):
        self.assertEqual(len(seen), len(expected), seen)
        for got, want in zip(seen, expected):
            self.assertTrue(similar(got, want), f"read {got!r} where {want!r} is shown")

    def wait_titled(self, title: str, timeout: float = 15):
        return self.desk.wait_window(lambda w: w.name == title and not self.desk.is_popup(w),
                                     timeout, what=repr(title))

    def click_until_titled(self, x: int, y: int, title: str, tries: int = 3):
        """Clicks a button that opens a window; a click Wine drops while another program
        of the test takes its first look at the display is given again."""
        for attempt in range(tries):
            self.desk.click(x, y)
            try:
                return self.wait_titled(title, timeout=8)
            except WineDesktopError:
                if attempt == tries - 1:
                    raise
        return None

    def press_ok(self, box):
        """Clicks the OK button in the bottom right corner of a message box."""
        self.desk.click(box.x + box.width - 48, box.y + box.height - 20)
        self.desk.wait_gone(box)

    def command(self, button: int, caption: str):
        """Chooses a command of the submenu at the top of a menu."""
        menu = self.open_menu(button)
        self.desk.click_text("menu", menu, "PROGRAMS" if button == 1 else "WINDOWS EXPLORER")
        submenu = self.popup(exclude={menu.id})
        self.desk.click_text("submenu", submenu, caption)

    # -------------------------------------------------------------------- tests ----
    def test_1_icon_docks_into_the_tray_host_with_its_tip(self):
        self.assertIsNotNone(self.desk.docked_icon())
        self.assertFalse([w for w in self.desk.windows() if w.name == "Wine System Tray"],
                         "Wine drew a tray window of its own")
        self.desk.screenshot("docked")
        before = {w.id for w in self.desk.top_level()}
        x, y = self.desk.settled_icon().center
        self.desk.xdotool("mousemove", str(x - 2), str(y))
        self.desk.xdotool("mousemove", str(x), str(y))
        tip = self.desk.wait_window(lambda w: w.id not in before and "explorer.exe" in w.wm_class
                                    and w.height < 40, what="tooltip")
        self.assertTrue(similar(" ".join(self.desk.read_text("tip", tip, psm=7)),
                                "Brindlex ZOLVANTEK"))
        self.desk.xdotool("mousemove", "200", "400")

    def test_2_menus_show_the_stored_names_in_slot_order(self):
        programs = self.open_menu(1)
        self.assert_lines(self.menu_lines("programs-menu", programs),
                          ["PROGRAMS", "Probe", "Missing"])
        self.close_menu()
        explorer = self.open_menu(3)
        self.assert_lines(self.menu_lines("explorer-menu", explorer),
                          ["WINDOWS EXPLORER", "System", "Fonts"])
        self.close_menu()

    def test_3_entries_start_the_program_and_explorer_as_stored(self):
        self.choose(1, "Probe")
        report = self.take_report()
        self.assertEqual(report["module"].lower(), PROBE_AT.lower())
        self.assertEqual(report["commandLine"], PROBE_AT + ' alpha "two words"')
        self.assertEqual((report["useShowWindow"], report["showWindow"]), ("1", "2"))

        for name, line, show in (("System", r"C:\windows\explorer.EXE /n, /e, C:\windows\system32", "1"),
                                 ("Fonts", r"C:\windows\explorer.EXE  C:\windows\Fonts", "3")):
            self.choose(3, name)
            report = self.take_report()
            self.assertEqual(report["module"].lower(), r"c:\windows\explorer.exe")
            self.assertEqual(report["commandLine"], line)
            self.assertEqual(report["showWindow"], show)

    def test_4_a_missing_program_says_so(self):
        self.choose(1, "Missing")
        box = self.wait_titled("ZOLVANTEK")
        self.assertTrue(similar(" ".join(self.desk.read_text("missing-program", box)),
                                "Program Does Not Exist! OK"))
        self.press_ok(box)
        with self.assertRaises(AssertionError):
            self.take_report(timeout=1)

    def test_5_about_shows_its_three_lines(self):
        self.command(3, "About ZOLVANTEK")
        box = self.wait_titled("About ZOLVANTEK")
        lines = self.desk.read_text("about", box)
        self.assert_lines(lines[:3], ["Brindlex ZOLVANTEK", "BRINDLEX SOFTWARE SOLUTIONS",
                                      "Version 2.030"])
        self.press_ok(box)

    def test_6_help_opens_the_shipped_page(self):
        self.command(1, "Help")
        report = self.take_report()
        self.assertEqual(report["module"].lower(), r"c:\browser\browser.exe")
        self.assertEqual(report["commandLine"].replace("/", "\\").lower(),
                         r'"c:\browser\browser.exe" "c:\zolvantek\help\zolvantek.html"')

    def test_7_the_editor_adds_an_entry_that_ok_stores_and_the_menu_shows(self):
        self.command(1, "Add or Modify")
        editor = self.wait_titled("Programs:")
        self.desk.screenshot("editor", editor)
        # F1 opens the help page at the programs section, in the browser the shell names.
        self.desk.click(editor.x + 150, editor.y + 150)  # the list, which takes the keyboard
        self.desk.keys("F1")
        report = self.take_report()
        self.assertEqual(report["commandLine"].lower(),
                         '"c:\\browser\\browser.exe" '
                         '"file:///c:/zolvantek/help/zolvantek.html#programs"')
        add_x, add_y = twips_center(5784, 120, 1080, 324)
        dialog = self.click_until_titled(editor.x + add_x, editor.y + add_y, "Add Program")
        # Frame2 holds the boxes at (36, -72).
        name_x, name_y = twips_center(36 + 108, -72 + 408, 5172, 264)
        self.desk.click(dialog.x + name_x, dialog.y + name_y)
        self.desk.type("Added Probe")
        path_x, path_y = twips_center(36 + 108, -72 + 912, 5172, 264)
        self.desk.click(dialog.x + path_x, dialog.y + path_y)
        self.desk.type(PROBE_AT)
        self.desk.screenshot("item-dialog", dialog)
        ok_x, ok_y = twips_center(5796, 36, 1092, 300)
        self.desk.click(dialog.x + ok_x, dialog.y + ok_y)
        self.desk.wait_gone(dialog)
        self.desk.screenshot("editor-with-entry", editor)
        ok_x, ok_y = twips_center(5796, 2844, 1080, 324)
        self.desk.click(editor.x + ok_x, editor.y + ok_y)
        self.desk.wait_gone(editor)

        stored = self.desk.wine(["reg", "query", KEY, "/v", "DirP3"])
        self.assertIn("Added Probe | " + PROBE_AT + " |  | Normal", stored)
        programs = self.open_menu(1)
        self.assert_lines(self.menu_lines("programs-menu-after-edit", programs),
                          ["PROGRAMS", "Probe", "Missing", "Added Probe"])
        self.close_menu()

    def test_8_close_ends_the_program(self):
        self.command(1, "Close")
        self.desk.program.wait(20)
        self.assertIsNone(self.desk.docked_icon())


if __name__ == "__main__":
    try:
        unittest.main(verbosity=2)
    except WineDesktopError as error:
        sys.exit(f"wine e2e: {error}")
