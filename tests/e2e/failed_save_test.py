"""A save that fails on a full disk, in the real program: the editor says so and stays open
with the list, the menus still launch the stored entries, and once there is room again OK
saves the list as shown. The settings folder is a small tmpfs of the test's own (mounting
needs root, as in CI; elsewhere the test skips)."""

import errno
import os
import subprocess
import unittest
from pathlib import Path

from e2e_support import SEPARATOR, ProgramInTray, find_texts, run, take_log

PROGRAMS = "Programs:"
MESSAGE = "The list could not be saved."


class FailedSave(ProgramInTray):
    @classmethod
    def settings_for(cls, root: Path) -> str:
        cls.disk = Path(cls.desk.config_dir) / "Brindlex Software Solutions"
        cls.disk.mkdir(parents=True, exist_ok=True)
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", str(cls.disk)],
                                 capture_output=True, text=True)
        if mounted.returncode != 0:
            raise unittest.SkipTest(f"cannot mount a small tmpfs (needs root, as in CI): {mounted.stderr.strip()}")
        cls.mounted = True
        cls.lines = [f"Prog {n} | {cls.program} | arg{n} | Normal" for n in (1, 2, 3)]
        return "[Directories]\n" + "".join(f"DirP{n}={line}\n" for n, line in enumerate(cls.lines, 1))

    @classmethod
    def tearDownClass(cls):
        try:
            super().tearDownClass()
        finally:
            if getattr(cls, "mounted", False):
                subprocess.run(["umount", "-l", str(cls.disk)], check=False)

    def fill_disk(self) -> Path:
        filler = self.disk / "filler"
        with open(filler, "wb", buffering=0) as f:
            try:
                while True:
                    f.write(b"f" * 4096)
                    os.fsync(f.fileno())
            except OSError as error:
                self.assertEqual(error.errno, errno.ENOSPC)
        return filler

    def test_a_failed_save_keeps_menus_and_editor_and_saves_the_list_as_shown_later(self):
        stored = self.settings_path.read_bytes()
        filler = self.fill_disk()

        self.choose("left", "PROGRAMS", "Add or Modify")
        self.window(PROGRAMS, "failed-save-editor")
        self.desk.key("Tab", "Tab", "Tab", "space")  # Insert Line: the list differs now
        self.desk.key("Tab", "Tab", "Tab", "Tab", "space")  # OK
        self.window("ZOLVANTEK", "failed-save-message")
        self.assertEqual(find_texts(self.desk.accessible_tree(), MESSAGE), [MESSAGE])
        self.desk.key("Return")
        self.closed("ZOLVANTEK")
        self.assertEqual(self.settings_path.read_bytes(), stored)

        # The editor is still open and still shows the stored lines and the new one.
        self.window(PROGRAMS)
        tree = self.desk.accessible_tree()
        for line in self.lines:
            self.assertEqual(len(find_texts(tree, line)), 1, line)
        self.assertEqual(len(find_texts(tree, "- | - |  | Normal")), 1)

        # The menu still launches what is stored.
        self.choose("left")
        self.assertEqual(self.desk.popup_items()[-3:], ["Prog 1", "Prog 2", "Prog 3"])
        self.desk.choose("Prog 2")
        self.assertEqual(take_log(self.program_log), [str(self.program), "arg2"])

        # With room again, OK stores the list as it is shown.
        filler.unlink()
        self.window(PROGRAMS)
        self.desk.key("space")  # the focus is still on OK
        self.closed(PROGRAMS)
        text = self.settings_path.read_text(encoding="utf-8")
        values = dict(line.split("=", 1) for line in text.splitlines()[1:])
        self.assertEqual([values[f"DirP{n}"] for n in range(1, 5)], self.lines + ["- | - |  | Normal"])
        self.choose("left")
        self.assertEqual(self.desk.popup_items()[-4:], ["Prog 1", "Prog 2", "Prog 3", SEPARATOR])


if __name__ == "__main__":
    run()
