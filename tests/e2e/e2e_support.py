"""What every end-to-end test of the program needs: the binary, an artifacts folder and a
settings file written as a person would write it."""

import os
import sys
import tempfile
from pathlib import Path

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import SEPARATOR, Desktop, HarnessError  # noqa: E402,F401

PROGRAM = Path(os.environ.get("ZOLVANTEK_BIN", Path(__file__).resolve().parents[2] / "build" / "tray" / "zolvantek"))
ARTIFACTS = Path(os.environ.get("E2E_ARTIFACTS", Path(tempfile.gettempdir()) / "zolvantek-e2e-artifacts"))


def settings_file(desk: Desktop) -> Path:
    return Path(desk.config_dir) / "Brindlex Software Solutions" / "Zolvantek.ini"


def write_settings(desk: Desktop, text: str) -> Path:
    path = settings_file(desk)
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text(text, encoding="utf-8")
    return path
