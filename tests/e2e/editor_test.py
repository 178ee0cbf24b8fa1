"""The editors in the real tray: "Add or Modify" shows the list editor, F1 opens the help at
the list's section (in the directory picker too), a directory is added with the keyboard through the item dialog, OK
brings the popup up to date and the new item opens its folder. Screenshots of the windows
go to the artifacts folder."""

from pathlib import Path

from e2e_support import SEPARATOR, ProgramInTray, run, take_log

DIRECTORIES = "Windows Explorer StartUp Directories:"


class Editors(ProgramInTray):
    @classmethod
    def settings_for(cls, root: Path) -> str:
        cls.work = root / "Work"
        cls.projects = root / "My Projects, 2"
        for folder in (cls.work, cls.projects, cls.projects / "Inner"):
            folder.mkdir()
        return f"[Directories]\nDir1=Work | {cls.work} | Form | Maximized\n"

    def open_editor(self, button: str, submenu: str, title: str) -> None:
        self.choose(button, submenu, "Add or Modify")
        self.window(title, f"editor-{button}")

    def assert_help_at(self, section: str) -> None:
        self.desk.key("F1")
        ran = take_log(self.opener_log)
        self.assertIsNotNone(ran, "F1 opened no help")
        self.assertRegex(ran[1], rf"^file:///.*/help/zolvantek\.html#{section}$")

    def test_a_directory_added_with_the_keyboard_is_in_the_menu_and_opens(self):
        self.open_editor("right", "WINDOWS EXPLORER", DIRECTORIES)
        self.assert_help_at("directories")
        self.desk.key("space")  # the focus starts on Add
        self.window("Add Directory")
        self.desk.type_text("Projects")
        self.desk.key("Tab")
        self.desk.type_text(str(self.projects))
        self.window("Add Directory", "item-dialog-add-directory")
        self.desk.key("Tab", "space")  # "..." opens the picker; Escape cancels it
        self.window("Directory", "directory-picker")
        self.assert_help_at("directories")
        self.desk.key("Escape")
        self.closed("Directory")
        self.window("Add Directory")
        self.desk.key("Return")  # OK
        self.closed("Add Directory")
        self.window(DIRECTORIES, "editor-directory-added")
        self.desk.key(*["Tab"] * 7, "space")  # from Add on to OK
        self.closed(DIRECTORIES)

        values = dict(line.split("=", 1) for line in self.settings_path.read_text().splitlines()[1:])
        self.assertEqual(values["Dir2"], f"Projects | {self.projects} | Explorer | Normal")
        self.assertEqual([values[f"Dir{n}"] for n in range(3, 21)], [""] * 18)
        self.choose("right")
        self.assertEqual(self.desk.popup_items(), ["WINDOWS EXPLORER", SEPARATOR, SEPARATOR, "Work", "Projects"])
        self.desk.choose("Projects")
        ran = take_log(self.opener_log)
        self.assertIsNotNone(ran, "xdg-open was not started")
        self.assertEqual(ran[1:], [str(self.projects)])

    def test_the_programs_editor_opens_the_help_at_its_own_section(self):
        self.open_editor("left", "PROGRAMS", "Programs:")
        self.assert_help_at("programs")
        self.desk.key(*["Tab"] * 6, "space")  # from Add on to CANCEL
        self.closed("Programs:")


if __name__ == "__main__":
    run()
