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
from harness import Desktop, Geometry  # noqa: E402

MENUS = (("right", "WINDOWS EXPLORER", "zolvantek-directories-menu"),
         ("left", "PROGRAMS", "zolvantek-programs-menu"))
DIRECTORIES_EDITOR = "Windows Explorer StartUp Directories:"


def write_sample_settings(config_dir: Path, home_dir: Path) -> Path:
    """A few entries of each list, as a person would have them, in the run's own folder."""
    for name in ("Projects", "Photos 2026"):
        (home_dir / name).mkdir(parents=True, exist_ok=True)
    path = config_dir / "Brindlex Software Solutions" / "Zolvantek.ini"
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text("[Directories]\n"
                    f"Dir1=Home | {home_dir} | Explorer | Normal\n"
                    f"Dir2=Projects | {home_dir / 'Projects'} | Form | Normal\n"
                    f"Dir3=Photos 2026 | {home_dir / 'Photos 2026'} | Form | Maximized\n"
                    "Dir4=System logs | /var/log | Explorer | Normal\n"
                    "DirP1=Python shell | /usr/bin/python3 | -q | Normal\n"
                    "DirP2=Disk usage | /usr/bin/du | -sh /usr/share | Minimized\n"
                    "DirP3=Screen info | /usr/bin/xdpyinfo |  | Normal\n",
                    encoding="utf-8")
    return path


def crop(shot: Path, *areas: Geometry, margin: int = 6) -> Path:
    """Cuts the screenshot down to the areas that matter, with a small margin."""
    left = max(min(a.x for a in areas) - margin, 0)
    top = max(min(a.y for a in areas) - margin, 0)
    right = max(a.x + a.width for a in areas) + margin
    bottom = max(a.y + a.height for a in areas) + margin
    subprocess.run(["convert", str(shot), "-crop", f"{right - left}x{bottom - top}+{left}+{top}",
                    "+repage", str(shot)], check=True, timeout=30)
    return shot


def picture_menus(desk: Desktop) -> list[Path]:
    """Each menu opened from the icon, cropped to the icon and the menu."""
    shots = []
    for button, _, name in MENUS:
        popup = desk.press(button)
        if popup is None:
            print(f"The {button} press opened no menu.")
            continue
        shots.append(crop(desk.screenshot(name), desk.icon_geometry(), popup.geometry))
        desk.close_popup()
    return shots


def picture_editor(desk: Desktop) -> Path | None:
    """The list editor on the directory list, opened from the menu as a person would."""
    if desk.press("right") is None:
        return None
    desk.choose("WINDOWS EXPLORER")
    desk.choose("Add or Modify")
    editor = desk.wait_for_window(DIRECTORIES_EDITOR)
    shot = crop(desk.screenshot("zolvantek-editor"), editor.geometry, margin=0)
    desk.xdotool("windowfocus", "--sync", str(editor.window))
    desk.key(*["Tab"] * 7, "space")  # from Add on to OK: the list is stored as it was
    return shot


def main(program: str, out_dir: str) -> int:
    out = Path(out_dir)
    with Desktop(out / "desktop") as desk:
        settings = write_sample_settings(Path(desk.config_dir), Path(desk.home_dir))
        desk.start_program([program])
        print(f"ZOLVANTEK is running in the tray of the virtual display {desk.display},")
        print(f"with sample entries in {settings} (removed when it ends).")
        for shot in picture_menus(desk):
            print(f"Screenshot of a menu: {shot.resolve()}")
        editor = picture_editor(desk)
        if editor is not None:
            print(f"Screenshot of the list editor: {editor.resolve()}")
        print("Press Ctrl+C to end it.")
        signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
        try:
            while desk.program_running():
                desk.wait_program_exit(3600)
        except KeyboardInterrupt:
            pass
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
