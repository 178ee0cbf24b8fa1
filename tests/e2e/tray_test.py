"""The real program in a real tray: the icon, both presses and both menus."""

import sys
import unittest

from e2e_support import ARTIFACTS, PROGRAM, SEPARATOR, Desktop, write_settings

SETTINGS = """[Directories]
Dir1=Work | /home/me/work | Explorer | Normal
Dir2=- | - | Explorer | Normal
Dir3=Music, Films | /home/me/a, b | Form | Maximized
DirP1=Editor | /usr/bin/editor | "two words" ; #x | Maximized
DirP2=Clock | /usr/bin/clock |  | Minimized
DirP4=After a gap | /bin/true |  | Normal
"""


class TrayIconAndMenus(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.desk = Desktop(ARTIFACTS / "tray")
        cls.desk.__enter__()
        try:
            write_settings(cls.desk, SETTINGS)
            cls.desk.start_program([str(PROGRAM)])
        except BaseException:
            cls.desk.close()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.desk.close()

    def tearDown(self):
        if self.desk.popup() is not None:
            self.desk.close_popup()

    def test_right_press_shows_the_directories_in_slot_order(self):
        self.assertTrue(self.desk.is_icon_embedded())
        self.assertIsNotNone(self.desk.press("right"), "no popup after a right press")
        self.assertEqual(self.desk.popup_items(),
                         ["WINDOWS EXPLORER", SEPARATOR, SEPARATOR, "Work", SEPARATOR, "Music, Films"])
        self.desk.screenshot("explorer-popup")

    def test_left_press_shows_the_programs_in_slot_order(self):
        self.assertIsNotNone(self.desk.press("left"), "no popup after a left press")
        self.assertEqual(self.desk.popup_items(),
                         ["PROGRAMS", SEPARATOR, SEPARATOR, "Editor", "Clock", "After a gap"])
        self.desk.screenshot("programs-popup")

    def test_submenu_holds_the_commands(self):
        self.assertIsNotNone(self.desk.press("right"))
        self.desk.choose("WINDOWS EXPLORER")  # Return on a submenu opens it
        entries = self.desk.popup_entries()
        self.assertEqual(self.desk.popup_items(),
                         ["Add or Modify", SEPARATOR, "Close", SEPARATOR, "About ZOLVANTEK", "Help"],
                         [e.text for e in entries])
        self.desk.screenshot("explorer-submenu")
        self.desk.key("Escape")

    def test_middle_press_opens_nothing(self):
        self.assertIsNone(self.desk.press("middle", timeout=1.0))
        self.assertTrue(self.desk.program_running())


if __name__ == "__main__":
    result = unittest.main(exit=False, verbosity=2).result
    sys.exit(0 if result.wasSuccessful() else 1)
