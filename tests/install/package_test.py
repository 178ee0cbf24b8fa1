"""The Debian package as people get it: built with cpack from the install rules, passed by
lintian (which also checks owners, modes, icon sizes and the manual page), and installed
into a throw-away root (never onto this machine), where its menu entry starts the program,
then purged without a trace."""

import os
import re
import shlex
import shutil
import subprocess
from pathlib import Path

import pytest

BUILD = Path(os.environ.get("ZOLVANTEK_BUILD_DIR", Path(__file__).resolve().parents[2] / "build"))
APP_ID = "com.brindlex.Zolvantek"
FILES = {"bin/zolvantek", "share/zolvantek/help/zolvantek.html", f"share/applications/{APP_ID}.desktop",
         f"share/metainfo/{APP_ID}.metainfo.xml", f"share/icons/hicolor/scalable/apps/{APP_ID}.svg",
         "share/man/man1/zolvantek.1.gz", "share/doc/zolvantek/copyright", "share/doc/zolvantek/changelog.gz",
         *(f"share/icons/hicolor/{n}x{n}/apps/{APP_ID}.png" for n in (16, 22, 24, 32, 48, 64, 128, 256))}


def check(*argv: str, **kw) -> str:
    """What the command printed (output and errors); a failure fails the test."""
    done = subprocess.run(argv, capture_output=True, text=True, timeout=300, **kw)
    assert done.returncode == 0, f"{' '.join(argv)} failed:\n{done.stdout}{done.stderr}"
    return done.stdout + done.stderr


def files_under(root: Path) -> set[str]:
    return {str(p.relative_to(root)) for p in root.rglob("*") if not p.is_dir()}


@pytest.fixture(scope="module")
def deb(tmp_path_factory):
    out = tmp_path_factory.mktemp("package")
    check("cpack", "--config", str(BUILD / "CPackConfig.cmake"), "-G", "DEB", "-B", str(out))
    return out / "zolvantek_2.030_amd64.deb"  # named after its Package, Version and Architecture


def test_lintian_passes_it_and_its_depends_are_computed_and_resolve(deb):
    tags = check("lintian", "--no-cfg", "--pedantic", str(deb)).splitlines()
    assert [t for t in tags if t.startswith(("E:", "W:"))] == []
    fields = dict(re.findall(r"^ (\S+): (.*)$", check("dpkg-deb", "-I", str(deb)), re.M))
    depends = {d.split(" ")[0]: d for d in fields["Depends"].split(", ")}
    for library in ("libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6"):
        assert re.search(r"\(>= [0-9.]+\)", depends.get(library, "")), library
    assert {"xdg-utils", "qt6-wayland"} <= set(depends)
    # A simulation: apt works out what the install would need and installs nothing.
    assert re.search(r"(?m)^Inst zolvantek ", check("apt-get", "install", "--simulate", "--no-install-recommends",
                                                     str(deb)))


def test_installs_runs_from_its_menu_entry_and_purges_in_a_throwaway_root(deb, tmp_path):
    admin = tmp_path / "var/lib/dpkg"
    for folder in ("info", "updates"):
        (admin / folder).mkdir(parents=True)
    (admin / "status").touch()
    # The libraries come from this machine; the empty root knows none of them.
    dpkg = ["dpkg", f"--root={tmp_path}", "--log=/dev/null", "--force-not-root", "--force-depends"]
    check(*dpkg, "--install", str(deb))
    usr = tmp_path / "usr"
    assert files_under(usr) == FILES
    entry = usr / f"share/applications/{APP_ID}.desktop"
    assert check("desktop-file-validate", str(entry)).strip() == ""
    check("appstreamcli", "validate", "--no-net", str(usr / f"share/metainfo/{APP_ID}.metainfo.xml"))
    page = (usr / "share/zolvantek/help/zolvantek.html").read_text(encoding="utf-8")
    assert 'id="directories"' in page and 'id="programs"' in page  # the sections F1 opens

    command = shlex.split(re.search(r"^Exec=(.*)$", entry.read_text(), re.M).group(1))
    path = f"{usr / 'bin'}:{os.environ.get('PATH', '/usr/bin:/bin')}"
    assert shutil.which(command[0], path=path) == str(usr / "bin/zolvantek")
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    assert check(*command, "--version", env={**env, "PATH": path}) == "ZOLVANTEK 2.030\n"
    check(*dpkg, "--purge", "zolvantek")
    assert files_under(usr) == set()
