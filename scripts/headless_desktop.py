"""Runs ZOLVANTEK on a virtual screen with a tray host, for machines without a display:
shows that it works by opening its menu and saving a screenshot, then keeps it running
until it is closed (Ctrl+C here, or "Close" in one of its menus)."""

import os
import signal
import sys
from pathlib import Path

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
from harness import Desktop  # noqa: E402


def main(program: str, out_dir: str) -> int:
    out = Path(out_dir)
    with Desktop(out / "desktop") as desk:
        # The user's own settings, not a throw-away folder: this is a real run.
        desk.home_dir = Path.home()
        desk.config_dir = Path(os.environ.get("XDG_CONFIG_HOME", Path.home() / ".config"))
        desk.start_program([program])
        print(f"ZOLVANTEK is running in the tray of the virtual display {desk.display}.")
        if desk.press("right") is not None:
            shot = desk.screenshot("zolvantek-menu")
            print(f"Screenshot of the icon with its WINDOWS EXPLORER menu open: {shot.resolve()}")
            desk.close_popup()
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
