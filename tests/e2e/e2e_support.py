"""What the end-to-end tests of the program share: the binary, an artifacts folder, the
settings file written as a person would write it, and a desktop with the program in its
tray for a whole test class, with recording stand-ins for what a launch starts."""

import os
import shlex
import shutil
import sys
import tempfile
import time
import unittest
from pathlib import Path

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import SEPARATOR, Desktop, HarnessError  # noqa: E402,F401

PROGRAM = Path(os.environ.get("ZOLVANTEK_BIN", Path(__file__).resolve().parents[2] / "build" / "tray" / "zolvantek"))
ARTIFACTS = Path(os.environ.get("E2E_ARTIFACTS", Path(tempfile.gettempdir()) / "zolvantek-e2e-artifacts"))

# Writes its $0 and arguments, NUL-separated, to LOG.
RECORDER = "#!/bin/sh\nprintf '%s\\0' \"$0\" \"$@\" > {log}.$$\nmv {log}.$$ {log}\n"


def write_settings(desk: Desktop, text: str) -> Path:
    path = Path(desk.config_dir) / "Brindlex Software Solutions" / "Zolvantek.ini"
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text(text, encoding="utf-8")
    return path


def find_texts(tree, wanted: str) -> list[str]:
    """Every text or value in an accessible tree that contains WANTED."""
    found = []
    for node in tree if isinstance(tree, list) else [tree]:
        found += [node[key] for key in ("text", "value") if wanted in (node.get(key) or "")]
        found += find_texts(node.get("children", []), wanted)
    return found


def take_log(log: Path, timeout: float = 10.0) -> list[str] | None:
    """[$0, arguments...] of the next run of a recorder, or None when none ran."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if log.exists():
            words = log.read_bytes().split(b"\0")[:-1]
            log.unlink()
            return [w.decode() for w in words]
        time.sleep(0.005)
    return None


class ProgramInTray(unittest.TestCase):
    """One desktop for the whole class with the program in its tray, started in a scratch
    folder (root) on the settings that settings_for(root) returns. First on its PATH lies a
    recording xdg-open; `program` is a recorder in a folder whose name has blanks."""

    @classmethod
    def setUpClass(cls):
        cls.root = Path(tempfile.mkdtemp(prefix="zolvantek-e2e-"))
        cls.opener_log, cls.program_log = cls.root / "xdg-open.log", cls.root / "program.log"
        cls.program = cls.root / "my programs; $(x)" / "rec 'prog'"
        for script, log in ((cls.root / "bin" / "xdg-open", cls.opener_log), (cls.program, cls.program_log)):
            script.parent.mkdir()
            script.write_text(RECORDER.format(log=shlex.quote(str(log))))
            script.chmod(0o755)
        cls.desk = Desktop(ARTIFACTS / cls.__name__, tray=getattr(cls, "TRAY", "") or "trayer")
        try:
            cls.desk.__enter__()
            cls.settings = cls.settings_for(cls.root)
            cls.settings_path = write_settings(cls.desk, cls.settings)
            cls.desk.start_program([str(PROGRAM)], path_prepend=[str(cls.root / "bin")], cwd=str(cls.root))
        except BaseException:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.desk.close()
        shutil.rmtree(cls.root, ignore_errors=True)

    def tearDown(self):
        if self.desk.popup() is not None:
            self.desk.close_popup()
        self.assertTrue(self.desk.program_running())

    def choose(self, button: str, *path: str) -> None:
        """Opens a popup with a press on the icon and chooses the items along PATH."""
        self.assertIsNotNone(self.desk.press(button), f"no popup after a {button} press")
        for text in path:
            self.desk.choose(text)

    def window(self, title: str, shot: str | None = None) -> None:
        """Waits for the window and gives it the keyboard; with a name, pictures the screen."""
        window = self.desk.wait_for_window(title)
        self.desk.xdotool("windowfocus", "--sync", str(window.window))
        time.sleep(0.2)
        if shot:
            self.desk.screenshot(shot)

    def closed(self, title: str) -> None:
        end = time.monotonic() + 10
        while any(w.title == title for w in self.desk.program_windows()):
            if time.monotonic() > end:
                raise HarnessError(f"the window {title!r} is still shown")
            time.sleep(0.02)


def run() -> None:
    result = unittest.main(exit=False, verbosity=2).result
    sys.exit(0 if result.wasSuccessful() else 1)
