"""While message boxes are open (About, a launch error, an editor's message) the tray icon
still answers both presses, Close included; both menus show stored names literally."""

from pathlib import Path

from e2e_support import SEPARATOR, ProgramInTray, run

DIRECTORIES = "Windows Explorer StartUp Directories:"


class BoxesLeaveTheTrayAnswering(ProgramInTray):
    @classmethod
    def settings_for(cls, root: Path) -> str:
        return ("[Directories]\n"
                f"Dir1=Tab\there & there | {root / 'gone'} | Explorer | Normal\n"
                f"DirP1=A&B\tC | {cls.program} |  | Normal\n")

    def tearDown(self):
        pass  # the test ends the program itself

    def assert_press_answers(self, button: str, items: list[str]) -> None:
        self.assertIsNotNone(self.desk.press(button), f"no popup after a {button} press")
        self.assertEqual(self.desk.popup_items(), items)
        self.desk.close_popup()

    def test_presses_and_close_work_while_boxes_are_open(self):
        explorer = ["WINDOWS EXPLORER", SEPARATOR, SEPARATOR, "Tab here & there"]
        programs = ["PROGRAMS", SEPARATOR, SEPARATOR, "A&B C"]
        self.choose("left", "PROGRAMS", "About ZOLVANTEK")
        self.window("About ZOLVANTEK")
        self.assert_press_answers("right", explorer)
        self.assert_press_answers("left", programs)

        self.choose("right", "Tab here & there")  # its folder is gone: a message
        self.window("ZOLVANTEK")
        self.assert_press_answers("left", programs)
        self.desk.key("Return")
        self.closed("ZOLVANTEK")

        self.choose("right", "WINDOWS EXPLORER", "Add or Modify")
        self.window(DIRECTORIES)
        self.desk.key("space")  # Add
        self.window("Add Directory")
        self.desk.key("Return")  # OK without a name: the editor's message
        self.window("ZOLVANTEK", "boxes-open")
        self.assert_press_answers("right", explorer)

        self.choose("left", "PROGRAMS", "Close")
        self.assertEqual(self.desk.wait_program_exit(10.0), 0)


if __name__ == "__main__":
    run()
