"""What the install and package tests share: the build folder, the files the install must
lay out, and PNG sizes."""

import os
import struct
import subprocess
from pathlib import Path

BUILD = Path(os.environ.get("ZOLVANTEK_BUILD_DIR", Path(__file__).resolve().parents[2] / "build"))
APP_ID = "com.brindlex.Zolvantek"
ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)

# Every file the install lays out, relative to the prefix.
FILES = {
    "bin/zolvantek",
    "share/zolvantek/help/zolvantek.html",
    f"share/applications/{APP_ID}.desktop",
    f"share/metainfo/{APP_ID}.metainfo.xml",
    f"share/icons/hicolor/scalable/apps/{APP_ID}.svg",
    "share/man/man1/zolvantek.1.gz",
    "share/doc/zolvantek/copyright",
    "share/doc/zolvantek/changelog.gz",
    *(f"share/icons/hicolor/{n}x{n}/apps/{APP_ID}.png" for n in ICON_SIZES),
}


def png_size(path: Path) -> tuple[int, int]:
    data = path.read_bytes()[:24]
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        raise ValueError(f"{path} is not a PNG")
    return struct.unpack(">II", data[16:24])


def files_under(root: Path) -> set[str]:
    return {str(p.relative_to(root)) for p in root.rglob("*") if not p.is_dir()}


def check(*argv: str, **kw) -> str:
    """What the command printed (output and errors); a failure fails the test."""
    done = subprocess.run(argv, capture_output=True, text=True, timeout=300, **kw)
    if done.returncode != 0:
        raise AssertionError(f"{' '.join(argv)} failed:\n{done.stdout}{done.stderr}")
    return done.stdout + done.stderr
