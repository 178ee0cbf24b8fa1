"""The test desktop of the end-to-end tests (Xvfb, trayer) with a throw-away Wine prefix,
for driving zolvantek.exe end to end as a Windows user would.

Wine draws Qt's menus and message boxes as plain X windows that carry no accessible text
for Linux tools, so what a window shows is read from its pixels (tesseract); which window
is which comes from the X tree and the window titles Wine gives them. Input goes through
xdotool. Needs Debian's wine64, tesseract-ocr and what the end-to-end tests need.
"""

from __future__ import annotations

import difflib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from dataclasses import dataclass
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "e2e"))
from desktop_session import Session  # noqa: E402

WINE = os.environ.get("ZOLVANTEK_WINE", "/usr/lib/wine/wine64")
WINESERVER = os.environ.get("ZOLVANTEK_WINESERVER", "/usr/lib/wine/wineserver")


class WineDesktopError(RuntimeError):
    pass


@dataclass(frozen=True)
class XWindow:
    id: int
    name: str
    wm_class: str
    width: int
    height: int
    x: int
    y: int
    depth: int  # 0 for a child of the root window

    @property
    def center(self) -> tuple[int, int]:
        return self.x + self.width // 2, self.y + self.height // 2


def similar(seen: str, expected: str) -> bool:
    """Whether text read from pixels is the expected text, allowing a misread letter."""
    # Blanks as one, and no stray signs at the end (a submenu's arrow reads as ">", ")").
    norm = lambda s: re.sub(r"[^\w!.]+$", "", re.sub(r"\s+", " ", s).strip()).lower()  # noqa: E731
    return difflib.SequenceMatcher(None, norm(seen), norm(expected)).ratio() >= 0.85


def unix_to_windows(path: Path) -> str:
    return "Z:" + str(path).replace("/", "\\")


class WineDesktop:
    def __init__(self, artifacts: Path):
        self.artifacts = artifacts
        self.artifacts.mkdir(parents=True, exist_ok=True)
        self._work = Path(tempfile.mkdtemp(prefix="zolvantek-wine-"))
        self.prefix = self._work / "prefix"
        self.drive_c = self.prefix / "drive_c"
        self.session = Session(self._work / "session", marker_var="ZOLVANTEK_WINE_SESSION")
        self.env: dict[str, str] = {}
        self.program: subprocess.Popen | None = None

    # ------------------------------------------------------------------ set-up ----
    def __enter__(self) -> "WineDesktop":
        try:
            self.session.start()
            self.env = {k: v for k, v in self.session.env().items() if not k.startswith("WINE")}
            self.env.update(WINEPREFIX=str(self.prefix), WINEARCH="win64", WINEDEBUG="-all",
                            WINEDLLOVERRIDES="mscoree,mshtml=")
            self.session.start_tray("trayer")
            # The server outlives this call: it must not hold on to the caller's output.
            subprocess.run([WINESERVER, "-p"], env=self.env, check=False,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            self.wine(["wineboot", "--init"], timeout=180)
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def __exit__(self, *exc) -> None:
        # Ends every program of the prefix and waits for the server to go with them.
        if self.env:
            for flag in ("-k", "-w"):
                subprocess.run([WINESERVER, flag], env=self.env, check=False, timeout=30,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.session.close()
        shutil.rmtree(self._work, ignore_errors=True)

    @staticmethod
    def _wait(check, timeout: float, message: str):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            result = check()
            if result:
                return result
            time.sleep(0.05)
        raise WineDesktopError(message)

    # ------------------------------------------------------------------- Wine ----
    def wine(self, argv: list[str], timeout: float = 60, env: dict | None = None) -> str:
        done = subprocess.run([WINE, *argv], env=env or self.env, capture_output=True,
                              timeout=timeout, stdin=subprocess.DEVNULL)
        if done.returncode != 0:
            raise WineDesktopError(f"wine {argv}: {done.returncode} {done.stderr[-400:]!r}")
        return done.stdout.decode("latin-1")

    def c_path(self, windows_path: str) -> Path:
        """The Unix file behind a path on drive C."""
        assert windows_path[:3].upper() == "C:\\"
        return self.drive_c.joinpath(*windows_path[3:].split("\\"))

    def import_registry(self, text: str) -> None:
        reg = self._work / "import.reg"
        reg.write_text("Windows Registry Editor Version 5.00\r\n\r\n" + text, encoding="latin-1")
        self.wine(["reg", "import", unix_to_windows(reg)])

    def start_program(self, exe: str, extra_env: dict | None = None) -> XWindow:
        """Starts the program and returns the icon's window once it sits inside trayer."""
        self.program = self.session.spawn("zolvantek", [WINE, exe], dict(self.env, **(extra_env or {})))
        self._wait(self.docked_icon, 60, "the icon never docked into trayer")
        return self.settled_icon()

    def settled_icon(self) -> XWindow:
        """The docked icon once trayer has stopped moving it (its panel grows to fit)."""
        last = [None]

        def unchanged():
            icon = self.docked_icon()
            same = icon is not None and icon == last[0]
            last[0] = icon
            if not same:
                time.sleep(0.3)
            return icon if same else None
        return self._wait(unchanged, 20, "the icon did not settle in the tray")

    # -------------------------------------------------------------- X windows ----
    def windows(self, parent: int | None = None, depth: int = 0, deep: bool = True) -> list[XWindow]:
        """The windows below PARENT (the root), topmost first, each followed by its own."""
        x = self.session.x
        found = []
        for window in reversed(x.children(x.root if parent is None else parent)):
            place = x.geometry(window)
            if place is None:
                continue
            found.append(XWindow(window, x.title(window), " ".join(x.wm_class(window)), place.width,
                                 place.height, place.x, place.y, depth))
            if deep:
                found += self.windows(window, depth + 1)
        return found

    def top_level(self) -> list[XWindow]:
        """The windows on the screen: mapped children of the root window."""
        return [w for w in self.windows(deep=False)
                if w.width > 1 and w.height > 1 and self.session.x.is_viewable(w.id)]

    def docked_icons(self) -> list[XWindow]:
        """Wine's icon windows that have been embedded into trayer's panel."""
        panel = self.session.tray_panel()
        return [w for w in self.windows(panel) if "explorer.exe" in w.wm_class and w.width >= 16] \
            if panel is not None else []

    def docked_icon(self) -> XWindow | None:
        icons = self.docked_icons()
        return icons[0] if icons else None

    def is_popup(self, window: XWindow) -> bool:
        """Override-redirect: a menu or a tooltip, not a window a window manager handles."""
        attributes = self.session.x.attributes(window.id)
        return attributes is not None and bool(attributes.override_redirect)

    def wait_window(self, test, timeout: float = 15, what: str = "window") -> XWindow:
        return self._wait(lambda: next((w for w in self.top_level() if test(w)), None),
                          timeout, f"no {what} appeared")

    def wait_gone(self, window: XWindow, timeout: float = 15) -> None:
        self._wait(lambda: all(w.id != window.id for w in self.top_level()), timeout,
                   f"window {window.name!r} stayed")

    # ------------------------------------------------------------------ input ----
    def xdotool(self, *args: str) -> None:
        subprocess.run(["xdotool", *args], env=self.env, check=True)

    def click(self, x: int, y: int, button: int = 1) -> None:
        self.xdotool("mousemove", str(x), str(y))
        time.sleep(0.2)
        self.xdotool("click", str(button))

    def keys(self, *names: str) -> None:
        for name in names:
            self.xdotool("key", name)
            time.sleep(0.15)

    def type(self, text: str) -> None:
        self.xdotool("type", "--delay", "30", text)

    # ---------------------------------------------------------------- pixels ----
    def screenshot(self, name: str, window: XWindow | None = None) -> Path:
        path = self.artifacts / f"{name}.png"
        target = ["-window", "root"]
        crop = [] if window is None else [
            "-crop", f"{window.width}x{window.height}+{window.x}+{window.y}", "+repage"]
        subprocess.run(["import", *target, *crop, str(path)], env=self.env, check=True)
        return path

    def read_lines(self, name: str, window: XWindow, psm: int = 6) -> list[tuple[str, int, int]]:
        """The lines of text a window shows, read from its pixels, each with the screen
        point at its middle."""
        scale = 4
        shot = self.screenshot(name, window)
        big = shot.with_suffix(".ocr.png")
        subprocess.run(["convert", str(shot), "-colorspace", "Gray", "-resize",
                        f"{scale * 100}%", str(big)], check=True)
        out = subprocess.run(["tesseract", str(big), "-", "--psm", str(psm), "tsv"],
                             capture_output=True, text=True).stdout
        big.unlink()
        lines: dict[tuple, list] = {}
        for row in out.splitlines()[1:]:
            cols = row.split("\t")
            if len(cols) < 12 or not cols[11].strip():
                continue
            left, top, width, height = map(int, cols[6:10])
            lines.setdefault(tuple(cols[1:5]), []).append((cols[11], left, top, width, height))
        result = []
        for words in lines.values():
            text = " ".join(w[0] for w in words)
            x0 = min(w[1] for w in words)
            x1 = max(w[1] + w[3] for w in words)
            y0 = min(w[2] for w in words)
            y1 = max(w[2] + w[4] for w in words)
            result.append((text, window.x + (x0 + x1) // (2 * scale),
                           window.y + (y0 + y1) // (2 * scale)))
        return result

    def read_text(self, name: str, window: XWindow, psm: int = 6) -> list[str]:
        """The lines of text a window shows, read from its pixels."""
        return [text for text, _, _ in self.read_lines(name, window, psm)]

    def click_text(self, name: str, window: XWindow, wanted: str) -> None:
        """Clicks the line of a window that reads most like `wanted`."""
        lines = self.read_lines(name, window)
        best = max(lines, key=lambda line: difflib.SequenceMatcher(
            None, line[0].lower(), wanted.lower()).ratio(), default=None)
        if best is None or not similar(best[0], wanted):
            raise WineDesktopError(f"no {wanted!r} among {[line[0] for line in lines]}")
        self.click(best[1], best[2])
