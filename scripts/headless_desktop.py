"""Runs ZOLVANTEK on a virtual screen with a tray host, for machines without a display:
shows that it works on a few sample entries (in a settings folder of this run's own, never
the user's) with screenshots of both menus and the list editor, then keeps it running
until it is closed (Ctrl+C here, or "Close" in one of its menus)."""

import signal
import subprocess
import sys
from pathlib import Path

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
from session import Box, Desktop, wait_for  # noqa: E402

MENUS = (("right", "zolvantek-directories-menu"), ("left", "zolvantek-programs-menu"))
DIRECTORIES_EDITOR = "Windows Explorer StartUp Directories:"


def write_sample_settings(desk: Desktop) -> Path:
    """A few entries of each list, as a person would have them, in the run's own folder."""
    home_dir = desk.home
    for name in ("Projects", "Photos 2026"):
        (home_dir / name).mkdir(parents=True, exist_ok=True)
    return desk.write_settings("[Directories]\n"
                               f"Dir1=Home | {home_dir} | Explorer | Normal\n"
                               f"Dir2=Projects | {home_dir / 'Projects'} | Form | Normal\n"
                               f"Dir3=Photos 2026 | {home_dir / 'Photos 2026'} | Form | Maximized\n"
                               "Dir4=System logs | /var/log | Explorer | Normal\n"
                               "DirP1=Python shell | /usr/bin/python3 | -q | Normal\n"
                               "DirP2=Disk usage | /usr/bin/du | -sh /usr/share | Minimized\n"
                               "DirP3=Screen info | /usr/bin/xdpyinfo |  | Normal\n")

def around(*areas: Box, margin: int = 6) -> Box:
    """The smallest area holding all of AREAS, with a margin."""
    left, top = max(min(a.x for a in areas) - margin, 0), max(min(a.y for a in areas) - margin, 0)
    right = max(a.x + a.width for a in areas) + margin
    bottom = max(a.y + a.height for a in areas) + margin
    return Box(left, top, right - left, bottom - top)


def screenshot(desk: Desktop, path: Path, area: Box) -> Path:
    """AREA of the virtual screen into PATH, with ImageMagick's import."""
    crop = ["-crop", f"{area.width}x{area.height}+{area.x}+{area.y}", "+repage"]
    subprocess.run(["import", "-window", "root", *crop, str(path)], env=desk.env(), check=True, timeout=30)
    return path


def main(program: str, out_dir: str) -> int:
    out = Path(out_dir).resolve()
    with Desktop(out / "desktop") as desk:
        settings = write_sample_settings(desk)
        desk.start_tray("trayer")
        running = desk.spawn("program", [program])
        icon = desk.wait_icon(running)
        print(f"ZOLVANTEK is running in the tray of the virtual display {desk.display},")
        print(f"with sample entries in {settings} (removed when it ends).")
        for button, name in MENUS:
            popup = desk.press(icon, button, owner=running)
            if popup is None:
                print(f"The {button} press opened no menu.")
                continue
            print(f"Screenshot of a menu: {screenshot(desk, out / f'{name}.png', around(icon, popup))}")
            desk.key("Escape")
            wait_for(lambda: not desk.popups(), 5, "the menu closing")
        if desk.press(icon, "right", owner=running):
            desk.key("Down", "Right", "Return")  # WINDOWS EXPLORER, then "Add or Modify"
            editor = wait_for(lambda: desk.titled(DIRECTORIES_EDITOR, running), 10, "the list editor")
            print(f"Screenshot of the list editor: {screenshot(desk, out / 'zolvantek-editor.png', editor)}")
            desk.key(*["Tab"] * 7, "space")  # from Add on to OK: the list is stored as it was
        print("Press Ctrl+C to end it.")
        signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
        try:
            running.wait()
        except KeyboardInterrupt:
            pass
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
