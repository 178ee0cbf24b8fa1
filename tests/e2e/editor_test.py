"""The editors in the real tray: "Add or Modify" shows the list editor, a directory is added
with the keyboard through the item dialog, OK brings the popup up to date and the new item
opens its folder. Screenshots of every window go to the artifacts folder."""

import subprocess
import sys
import time
import unittest

from e2e_support import ARTIFACTS, PROGRAM, SEPARATOR, Desktop, HarnessError, write_settings
from launch_support import Stubs, take_log

DIRECTORIES = "Windows Explorer StartUp Directories:"


class Editors(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.stubs = Stubs()
        cls.work = cls.stubs.root / "Work"
        cls.projects = cls.stubs.root / "My Projects, 2"
        for folder in (cls.work, cls.projects, cls.projects / "Inner"):
            folder.mkdir()
        cls.desk = Desktop(ARTIFACTS / "editor")
        cls.desk.__enter__()
        try:
            cls.settings = write_settings(cls.desk, f"[Directories]\nDir1=Work | {cls.work} | Form | Maximized\n")
            cls.desk.start_program([str(PROGRAM)], path_prepend=[str(cls.stubs.bin)],
                                   cwd=str(cls.stubs.root))
        except BaseException:
            cls.desk.close()
            cls.stubs.close()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.desk.close()
        cls.stubs.close()

    def window(self, title: str, name: str | None = None):
        """Waits for the window, gives it the keyboard and, with a name, pictures it: the whole
        screen and the window alone."""
        window = self.desk.wait_for_window(title)
        self.desk.xdotool("windowfocus", "--sync", str(window.window))
        time.sleep(0.2)
        if name:
            shot = self.desk.screenshot(name)
            g = window.geometry
            crop = subprocess.run(["convert", str(shot), "-crop", f"{g.width}x{g.height}+{g.x}+{g.y}",
                                   "+repage", str(shot.with_name(f"{name}-window.png"))],
                                  capture_output=True, text=True, timeout=30)
            self.assertEqual(crop.returncode, 0, crop.stderr)
        return window

    def closed(self, title: str) -> None:
        end = time.monotonic() + 10
        while any(w.title == title for w in self.desk.program_windows()):
            if time.monotonic() > end:
                raise HarnessError(f"the window {title!r} is still shown")
            time.sleep(0.02)

    def open_editor(self, button: str, submenu: str, title: str, name: str) -> None:
        self.assertIsNotNone(self.desk.press(button), f"no popup after a {button} press")
        self.desk.choose(submenu)
        self.desk.choose("Add or Modify")
        self.window(title, name)

    def test_1_a_directory_added_with_the_keyboard_is_in_the_menu_and_opens(self):
        self.open_editor("right", "WINDOWS EXPLORER", DIRECTORIES, "editor-directories")
        self.desk.key("space")  # the focus starts on Add
        self.window("Add Directory")
        self.desk.type_text("Projects")
        self.desk.key("Tab")
        self.desk.type_text(str(self.projects))
        self.window("Add Directory", "item-dialog-add-directory")
        self.desk.key("Tab", "space")  # "..." opens the picker; Escape cancels it
        self.window("Directory", "directory-picker-add")
        self.desk.key("Escape")
        self.closed("Directory")
        self.window("Add Directory")
        self.desk.key("Return")  # OK
        self.closed("Add Directory")
        self.window(DIRECTORIES, "editor-directories-added")
        self.desk.key(*["Tab"] * 7, "space")  # from Add on to OK
        self.closed(DIRECTORIES)

        values = dict(line.split("=", 1) for line in self.settings.read_text().splitlines()[1:])
        self.assertEqual(values["Dir2"], f"Projects | {self.projects} | Explorer | Normal")
        self.assertEqual([values[f"Dir{n}"] for n in range(3, 21)], [""] * 18)
        self.assertIsNotNone(self.desk.press("right"))
        self.assertEqual(self.desk.popup_items(),
                         ["WINDOWS EXPLORER", SEPARATOR, SEPARATOR, "Work", "Projects"])
        self.desk.choose("Projects")
        ran = take_log(self.stubs.opener_log)
        self.assertIsNotNone(ran, "xdg-open was not started")
        self.assertEqual(ran[1][1:], [str(self.projects)])

    def test_2_edit_picker_and_help(self):
        self.open_editor("right", "WINDOWS EXPLORER", DIRECTORIES, None)
        # To the list after the eight buttons, select its first line, round to Edit.
        self.desk.key(*["Tab"] * 8, "space", "Tab", "Tab", "space")
        self.window("Edit Directory", "item-dialog-edit-directory")
        self.desk.key("Tab", "Tab", "space")  # the picker opens on the entry's directory
        self.window("Directory", "directory-picker-edit")
        self.desk.key("F1")
        ran = take_log(self.stubs.opener_log)
        self.assertIsNotNone(ran, "F1 opened no help")
        self.assertRegex(ran[1][1], r"^file:///.*/help/zolvantek\.html#directories$")
        self.desk.key("Escape")
        self.closed("Directory")
        self.window("Edit Directory")
        self.desk.key("Escape")
        self.closed("Edit Directory")
        self.window(DIRECTORIES)
        self.desk.key(*["Tab"] * 5, "space")  # from Edit on to CANCEL
        self.closed(DIRECTORIES)

        self.open_editor("left", "PROGRAMS", "Programs:", "editor-programs")
        self.desk.key("F1")
        ran = take_log(self.stubs.opener_log)
        self.assertIsNotNone(ran, "F1 opened no help")
        self.assertRegex(ran[1][1], r"#programs$")
        self.desk.key("space")
        self.window("Add Program", "item-dialog-add-program")
        self.desk.key("Escape")
        self.closed("Add Program")
        self.window("Programs:")
        self.desk.key(*["Tab"] * 6, "space")  # from Add on to CANCEL
        self.closed("Programs:")
        self.assertTrue(self.desk.program_running())


if __name__ == "__main__":
    result = unittest.main(exit=False, verbosity=2).result
    sys.exit(0 if result.wasSuccessful() else 1)
