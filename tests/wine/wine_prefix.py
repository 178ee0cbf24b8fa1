"""A throw-away Wine prefix on a desktop of session.py (whose trayer is then the tray Wine
docks its icons into), for running Windows programs as a user would."""

import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
from session import Box, Desktop, wait_for  # noqa: E402,F401

WINE, WINESERVER = "/usr/lib/wine/wine64", "/usr/lib/wine/wineserver"


class WinePrefix:
    def __init__(self, desk: Desktop):
        self.desk, self.drive_c = desk, desk.workdir / "prefix" / "drive_c"
        self.prefix = self.drive_c.parent
        self.env = {k: v for k, v in desk.env().items() if not k.startswith(("WINE", "QT_"))}
        self.env.update(WINEPREFIX=str(self.prefix), WINEARCH="win64", WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")

    def __enter__(self):
        # The server outlives this call: it must not hold on to the caller's output.
        subprocess.run([WINESERVER, "-p"], env=self.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        self.wine("wineboot", "--init", timeout=180).check_returncode()
        return self

    def __exit__(self, *_):
        for flag in ("-k", "-w"):  # every program of the prefix, then the server itself
            subprocess.run([WINESERVER, flag], env=self.env, timeout=30)

    def wine(self, *argv: str, output: bool = True, timeout: float = 120) -> subprocess.CompletedProcess:
        # Without OUTPUT for an installer: the program it starts again inherits it and holds it open.
        pipe = subprocess.PIPE if output else subprocess.DEVNULL
        return subprocess.run([WINE, *argv], env=self.env, stdout=pipe, stderr=pipe, encoding="latin-1",
                              timeout=timeout, stdin=subprocess.DEVNULL)

    def c_path(self, windows_path: str) -> Path:
        """The Unix file behind a path on drive C."""
        return self.drive_c.joinpath(*windows_path[3:].split("\\"))

    def install(self, source: Path, windows_path: str) -> None:
        (target := self.c_path(windows_path)).parent.mkdir(parents=True, exist_ok=True)
        target.write_bytes(source.read_bytes())

    def import_registry(self, text: str) -> None:
        reg = self.desk.workdir / "import.reg"
        reg.write_text("Windows Registry Editor Version 5.00\r\n\r\n" + text, encoding="latin-1")
        self.wine("reg", "import", "Z:" + str(reg).replace("/", "\\")).check_returncode()

    def icons(self) -> list[Box]:
        """Wine's icon windows inside trayer's panel (none while it has none)."""
        return [b for w in self.desk.subwindows(self.desk.panel()) if (b := self.desk.box(w)) and b.width >= 16]

    def settled_icon(self) -> Box:
        """The docked icon once trayer has stopped moving it (its panel grows to fit)."""
        def settled():
            before = self.icons()
            time.sleep(0.3)
            return before[0] if before and before == self.icons() else None
        return wait_for(settled, 60, "the icon docked in trayer")

    def click(self, x: int, y: int, button: str = "left") -> None:
        """Wine takes a press only once it has seen the pointer arrive."""
        self.desk.xdotool("mousemove", x, y, "sleep", "0.3")
        self.desk.click(x, y, button)

    def press(self, program: subprocess.Popen, button: str = "left") -> Box | None:
        """Presses the icon; the program's menu that opens. Only the program's own count:
        Wine's tooltip of the icon is a window like a menu."""
        wait_for(lambda: not self.desk.popups({program.pid}), 10, "no menu left open")
        icon = self.settled_icon()
        return self.desk.new_popup(lambda: self.click(*icon.center, button), program, 10)
