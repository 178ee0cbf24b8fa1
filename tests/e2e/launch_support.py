"""Stand-ins for what a launch starts: a recording xdg-open and a recording program. Both
write their argument list (NUL-separated, $0 first) and the moment they began running."""

import os
import shlex
import stat
import tempfile
import time
from pathlib import Path

from e2e_support import Desktop, HarnessError

RECORDER = """#!/bin/sh
# Started by ZOLVANTEK under test: note when and with what.
now=$(date +%s.%N)
log={log}
printf '%s\\0' "$now" "$0" "$@" > "$log.$$"
mv "$log.$$" "$log"
"""


class Stubs:
    """A scratch folder with bin/xdg-open and a program in a folder whose name has blanks."""

    def __init__(self):
        self.root = Path(tempfile.mkdtemp(prefix="zolvantek-launch-"))
        self.bin = self.root / "bin"
        self.bin.mkdir()
        self.opener_log = self.root / "xdg-open.log"
        self.program_log = self.root / "program.log"
        self.opener = self._script(self.bin / "xdg-open", self.opener_log)
        programs = self.root / "my programs; $(x)"
        programs.mkdir()
        self.program = self._script(programs / "rec 'prog'", self.program_log)

    @staticmethod
    def _script(path: Path, log: Path) -> Path:
        path.write_text(RECORDER.format(log=shlex.quote(str(log))))
        path.chmod(path.stat().st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)
        return path

    def close(self):
        for dirpath, dirnames, filenames in os.walk(self.root, topdown=False):
            for name in filenames:
                os.unlink(os.path.join(dirpath, name))
            for name in dirnames:
                os.rmdir(os.path.join(dirpath, name))
        os.rmdir(self.root)


def take_log(log: Path, timeout: float = 10.0) -> tuple[float, list[str]] | None:
    """(start time, [$0, arguments...]) of the next run, or None when nothing ran."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if log.exists():
            words = log.read_bytes().split(b"\0")[:-1]
            log.unlink()
            return float(words[0]), [w.decode() for w in words[1:]]
        time.sleep(0.005)
    return None


def highlight(desk: Desktop, text: str) -> None:
    """Moves the keyboard highlight of the shown popup onto TEXT, without choosing it."""
    for _ in range(40):
        entries = desk.popup_entries()
        focused = [e.text for e in entries if e.focused]
        if focused == [text]:
            return
        desk.key("Down")
    raise HarnessError(f"could not highlight {text!r}")


def find_texts(tree, wanted: str) -> list[str]:
    """Every text or value in an accessible tree that contains WANTED."""
    found = []
    for node in tree if isinstance(tree, list) else [tree]:
        for key in ("text", "value"):
            if wanted in (node.get(key) or ""):
                found.append(node[key])
        found += find_texts(node.get("children", []), wanted)
    return found


def dismiss(desk: Desktop, title: str, timeout: float = 10.0) -> None:
    """Answers the shown box called TITLE with Return and waits until it is gone."""
    window = desk.wait_for_window(title, timeout)
    desk.xdotool("windowfocus", "--sync", str(window.window))
    desk.key("Return")
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if all(w.title != title for w in desk.program_windows()):
            return
        time.sleep(0.02)
    raise HarnessError(f"the box {title!r} did not close")
