"""The real program in a real tray: the icon, both presses and both menus, launching folders
and programs, the messages of entries that cannot launch, About, Help and Close."""

import unittest
from pathlib import Path

from e2e_support import (ARTIFACTS, PROGRAM, SEPARATOR, Desktop, ProgramInTray, find_texts, run,
                         take_log, write_settings)

MENUS = (("right", "WINDOWS EXPLORER"), ("left", "PROGRAMS"))


class TrayIconAndMenus(ProgramInTray):
    @classmethod
    def settings_for(cls, root: Path) -> str:
        cls.work = root / 'Work, "quoted"'
        cls.work.mkdir()
        cls.made_by_shell = root / "made-by-a-shell"
        touch = f"touch {cls.made_by_shell}"
        return ("[Directories]\n"
                f"Dir1=Work | {cls.work} | Explorer | Normal\n"
                "Dir2=- | - | Explorer | Normal\n"
                f"Dir3=Gone | {root / 'gone'} | Form | Normal\n"
                f"DirP1=Recorder | {cls.program} | plain \"two words\" ';' $({touch}) `{touch}` \"\"\"q\"\"\" && x"
                " | Maximized\n"
                f"DirP2=Gone | {root / 'gone.exe'} |  | Normal\n"
                f"DirP4=Piped | {cls.program} | first | {touch} | Normal\n")

    def tearDown(self):
        super().tearDown()
        self.assertEqual(self.settings_path.read_text(encoding="utf-8"), self.settings)
        self.assertFalse(self.made_by_shell.exists())

    def dismiss(self, title: str) -> None:
        """Answers the shown box called TITLE with Return."""
        self.window(title)
        self.desk.key("Return")
        self.closed(title)

    def test_each_press_shows_its_list_in_slot_order(self):
        self.assertTrue(self.desk.is_icon_embedded())
        self.choose("right")
        self.assertEqual(self.desk.popup_items(),
                         ["WINDOWS EXPLORER", SEPARATOR, SEPARATOR, "Work", SEPARATOR, "Gone"])
        self.desk.screenshot("explorer-popup")
        self.desk.close_popup()
        self.choose("left")
        self.assertEqual(self.desk.popup_items(),
                         ["PROGRAMS", SEPARATOR, SEPARATOR, "Recorder", "Gone", "Piped"])
        self.desk.screenshot("programs-popup")
        self.desk.close_popup()

    def test_directory_item_opens_the_folder_with_xdg_open(self):
        self.choose("right", "Work")
        ran = take_log(self.opener_log)
        self.assertIsNotNone(ran, "xdg-open was not started")
        self.assertEqual(ran[1:], [str(self.work)])

    def test_program_item_gets_its_arguments_without_a_shell(self):
        self.choose("left", "Recorder")
        self.assertEqual(take_log(self.program_log),
                         [str(self.program), "plain", "two words", "';'", "$(touch", f"{self.made_by_shell})",
                          "`touch", f"{self.made_by_shell}`", '"q"', "&&", "x"])
        # A bar ends the argument text; what follows it is no command for anyone.
        self.choose("left", "Piped")
        self.assertEqual(take_log(self.program_log), [str(self.program), "first"])

    def test_missing_entries_show_their_message_and_the_program_runs_on(self):
        for button, message in (("left", "Program Does Not Exist!"), ("right", "Directory does not Exist!")):
            self.choose(button, "Gone")
            self.window("ZOLVANTEK", f"message-{button}")
            self.assertEqual(find_texts(self.desk.accessible_tree(), message), [message])
            self.dismiss("ZOLVANTEK")
            self.assertTrue(self.desk.program_running())
        self.assertIsNone(take_log(self.program_log, timeout=0.5))
        self.assertIsNone(take_log(self.opener_log, timeout=0.1))

    def test_about_shows_name_maker_and_version_from_both_menus(self):
        for button, submenu in MENUS:
            self.choose(button, submenu, "About ZOLVANTEK")
            self.window("About ZOLVANTEK", f"about-{button}")
            self.assertEqual(find_texts(self.desk.accessible_tree(), "Version"),
                             ["Brindlex ZOLVANTEK\nBRINDLEX SOFTWARE SOLUTIONS\nVersion 2.030"])
            self.dismiss("About ZOLVANTEK")

    def test_help_opens_the_page_shipped_with_the_program_from_both_menus(self):
        for button, submenu in MENUS:
            self.choose(button, submenu, "Help")
            ran = take_log(self.opener_log)
            self.assertIsNotNone(ran, f"xdg-open was not started for the help of {submenu}")
            page = Path(ran[1])
            # Where an install puts it, seen from the program: the build folder has it so too.
            self.assertEqual(page.resolve(), PROGRAM.resolve().parents[1] / "share" / "zolvantek"
                             / "help" / "zolvantek.html")
            text = page.read_text(encoding="utf-8")
            self.assertTrue('id="directories"' in text and 'id="programs"' in text)


def alive(pid: int) -> bool:
    """Running, not merely a zombie waiting to be reaped."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except FileNotFoundError:
        return False


class Closing(unittest.TestCase):
    def test_close_removes_the_icon_and_ends_the_program_at_once_saving_nothing(self):
        for button, submenu in MENUS:
            with self.subTest(menu=submenu):
                with Desktop(ARTIFACTS / f"close-{button}") as desk:
                    settings = "[Directories]\nDir1=Work | /tmp | Explorer | Normal\n"
                    path = write_settings(desk, settings)
                    desk.start_program([str(PROGRAM)])
                    self.assertIsNotNone(desk.press(button))
                    desk.choose(submenu)
                    desk.choose("Close")
                    self.assertEqual(desk.wait_program_exit(10.0), 0)
                    self.assertIsNone(desk.icon_window())
                    self.assertEqual(path.read_text(encoding="utf-8"), settings)
                    session = desk.session_pids()  # Xvfb, the buses, trayer
                    self.assertGreaterEqual(len(session), 3)
                # Closing the desktop leaves nothing of it running.
                self.assertEqual([pid for pid in session if alive(pid)], [])


if __name__ == "__main__":
    run()
