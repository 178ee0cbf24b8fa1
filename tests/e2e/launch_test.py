"""Launching from the real tray: folders through xdg-open, programs with their arguments,
the messages of entries that cannot launch, About, Help and Close."""

import sys
import time
import unittest
from pathlib import Path

from e2e_support import ARTIFACTS, PROGRAM, Desktop, write_settings
from launch_support import Stubs, dismiss, find_texts, highlight, take_log


class Launching(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.stubs = Stubs()
        cls.work = cls.stubs.root / "Work, \"quoted\""
        cls.work.mkdir()
        cls.made_by_shell = cls.stubs.root / "made-by-a-shell"
        cls.settings = (
            "[Directories]\n"
            f"Dir1=Work | {cls.work} | Explorer | Normal\n"
            f"Dir2=Gone | {cls.stubs.root / 'gone'} | Form | Normal\n"
            f"DirP1=Recorder | {cls.stubs.program} | plain \"two words\" ';' $(touch {cls.made_by_shell}) "
            f"`touch {cls.made_by_shell}` \"\"\"q\"\"\" && x | Maximized\n"
            f"DirP2=Gone | {cls.stubs.root / 'gone.exe'} |  | Normal\n"
            f"DirP3=Piped | {cls.stubs.program} | first | touch {cls.made_by_shell} | Normal\n"
        )
        cls.desk = Desktop(ARTIFACTS / "launch")
        cls.desk.__enter__()
        try:
            cls.settings_path = write_settings(cls.desk, cls.settings)
            cls.desk.start_program([str(PROGRAM)], path_prepend=[str(cls.stubs.bin)])
        except BaseException:
            cls.desk.close()
            cls.stubs.close()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.desk.close()
        cls.stubs.close()

    def tearDown(self):
        if self.desk.popup() is not None:
            self.desk.close_popup()
        self.assertTrue(self.desk.program_running())
        self.assertEqual(self.settings_path.read_text(encoding="utf-8"), self.settings)
        self.assertFalse(self.made_by_shell.exists())

    def choose(self, button: str, *path: str) -> None:
        self.assertIsNotNone(self.desk.press(button), f"no popup after a {button} press")
        for text in path:
            self.desk.choose(text)

    def test_directory_item_opens_the_folder_with_xdg_open(self):
        self.choose("right", "Work")
        ran = take_log(self.stubs.opener_log)
        self.assertIsNotNone(ran, "xdg-open was not started")
        self.assertEqual(ran[1][1:], [str(self.work)])

    def test_program_item_gets_its_arguments_without_a_shell(self):
        self.choose("left", "Recorder")
        ran = take_log(self.stubs.program_log)
        self.assertIsNotNone(ran, "the program was not started")
        self.assertEqual(ran[1], [str(self.stubs.program), "plain", "two words", "';'", "$(touch",
                                  f"{self.made_by_shell})", "`touch", f"{self.made_by_shell}`",
                                  '"q"', "&&", "x"])
        # A bar ends the argument text; what follows it is no command for anyone.
        self.choose("left", "Piped")
        ran = take_log(self.stubs.program_log)
        self.assertIsNotNone(ran)
        self.assertEqual(ran[1][1:], ["first"])

    def test_missing_entries_show_their_message_and_the_program_runs_on(self):
        for button, item, message in (("left", "Gone", "Program Does Not Exist!"),
                                      ("right", "Gone", "Directory does not Exist!")):
            self.choose(button, item)
            self.desk.wait_for_window("ZOLVANTEK")
            self.assertEqual(find_texts(self.desk.accessible_tree(), message), [message])
            self.desk.screenshot(f"message-{button}")
            dismiss(self.desk, "ZOLVANTEK")
            self.assertTrue(self.desk.program_running())
        self.assertIsNone(take_log(self.stubs.program_log, timeout=0.5))
        self.assertIsNone(take_log(self.stubs.opener_log, timeout=0.1))

    def test_about_shows_name_maker_and_version(self):
        self.choose("right", "WINDOWS EXPLORER", "About ZOLVANTEK")
        self.desk.wait_for_window("About ZOLVANTEK")
        tree = self.desk.accessible_tree()
        self.assertEqual(find_texts(tree, "Version 2.030"),
                         ["Brindlex ZOLVANTEK\nBRINDLEX SOFTWARE SOLUTIONS\nVersion 2.030"])
        self.desk.screenshot("about")
        dismiss(self.desk, "About ZOLVANTEK")

    def test_help_opens_the_page_shipped_beside_the_program(self):
        self.choose("left", "PROGRAMS", "Help")
        ran = take_log(self.stubs.opener_log)
        self.assertIsNotNone(ran, "xdg-open was not started for the help")
        page = Path(ran[1][1])
        self.assertEqual(page, PROGRAM.resolve().parent / "help" / "zolvantek.html")
        text = page.read_text(encoding="utf-8")
        self.assertIn('id="directories"', text)
        self.assertIn('id="programs"', text)


class Closing(unittest.TestCase):
    def test_close_removes_the_icon_and_ends_the_program_at_once(self):
        for button, submenu in (("left", "PROGRAMS"), ("right", "WINDOWS EXPLORER")):
            with self.subTest(menu=submenu), Desktop(ARTIFACTS / f"close-{button}") as desk:
                settings = "[Directories]\nDir1=Work | /tmp | Explorer | Normal\n"
                path = write_settings(desk, settings)
                desk.start_program([str(PROGRAM)])
                self.assertIsNotNone(desk.press(button))
                desk.choose(submenu)
                started = time.monotonic()
                desk.choose("Close")
                self.assertEqual(desk.wait_program_exit(10.0), 0)
                print(f"Close from {submenu}: ended after {time.monotonic() - started:.2f} s")
                self.assertIsNone(desk.icon_window())
                self.assertEqual(path.read_text(encoding="utf-8"), settings)


if __name__ == "__main__":
    result = unittest.main(exit=False, verbosity=2).result
    sys.exit(0 if result.wasSuccessful() else 1)
