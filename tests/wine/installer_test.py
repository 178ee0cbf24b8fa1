"""The Windows packages under Wine: the console options of zolvantek.exe, the portable
zip's contents, and the installer's silent install, update while the program runs, and
uninstall, with the stored lists in the registry throughout."""

import os
import re
import struct
import subprocess
import sys
import time
import zipfile
from pathlib import Path

import pytest

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parent))
from wine_desktop import WINE, WineDesktop  # noqa: E402

EXE, SETUP, ZIP = (Path(os.environ[name]) for name in
                   ("ZOLVANTEK_EXE", "ZOLVANTEK_SETUP", "ZOLVANTEK_ZIP"))
ARTIFACTS = Path(os.environ.get("E2E_ARTIFACTS", "/tmp/zolvantek-e2e-artifacts")) / "wine-installer"
LISTS = r"HKEY_CURRENT_USER\Software\Brindlex Software Solutions\Zolvantek\Directories"
RUN = r"HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run"
UNINSTALL = r"HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Uninstall\com.brindlex.Zolvantek"
APP_ID = "com.brindlex.Zolvantek"
INSTALLED = r"C:\users\{user}\AppData\Local\Programs\ZOLVANTEK"
SHORTCUT = r"C:\users\{user}\AppData\Roaming\Microsoft\Windows\Start Menu\Programs\ZOLVANTEK.lnk"


@pytest.fixture(scope="module")
def desk():
    with WineDesktop(ARTIFACTS) as desktop:
        # Wine names the profile folder after the Unix user.
        desktop.user = next(p.name for p in (desktop.drive_c / "users").iterdir() if p.name != "Public")
        yield desktop


def run(desk, *argv: str, timeout: float = 60) -> subprocess.CompletedProcess:
    return subprocess.run([WINE, *argv], env=desk.env, capture_output=True, text=True,
                          timeout=timeout, stdin=subprocess.DEVNULL)


def run_setup(desk, *argv: str) -> int:
    """Runs the installer or the uninstaller; not reading its output, which the program it
    starts again inherits and holds open."""
    return subprocess.run([WINE, *argv], env=desk.env, timeout=120, stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode


def values(desk, key: str) -> dict[str, str]:
    """The values of a registry key (name to data as `reg query` shows it); none if absent."""
    done = run(desk, "reg", "query", key)
    rows = (re.match(r"^\s{4}(\S.*?)\s{4}REG_\w+\s{4}(.*)$", line) for line in done.stdout.splitlines())
    return {row[1]: row[2] for row in rows if row}


def shortcut_target(path: Path) -> str:
    """The local path a .lnk file points at (its LinkInfo's LocalBasePath)."""
    data = path.read_bytes()
    flags, at = struct.unpack_from("<I", data, 0x14)[0], 0x4C
    if flags & 1:  # HasLinkTargetIDList
        at += 2 + struct.unpack_from("<H", data, at)[0]
    assert flags & 2, "no LinkInfo"
    base = at + struct.unpack_from("<I", data, at + 16)[0]
    return data[base:data.index(b"\0", base)].decode("latin-1")


def instances(desk) -> list[int]:
    """The running zolvantek.exe processes of this prefix."""
    found = []
    for proc in Path("/proc").iterdir():
        try:
            if re.search(rb"\\zolvantek\.exe\0", (proc / "cmdline").read_bytes(), re.I) and \
                    f"WINEPREFIX={desk.prefix}\0".encode() in (proc / "environ").read_bytes():
                found.append(int(proc.name))
        except (OSError, ValueError):
            continue
    return found


def wait(check, timeout: float, what: str):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if result := check():
            return result
        time.sleep(0.2)
    pytest.fail(f"timed out waiting for {what}")


@pytest.mark.parametrize("argv, code, text", [
    (["--version"], 0, "ZOLVANTEK 2.030\n"),
    (["--help"], 0, "Usage: "),
    (["--bogus"], 2, "Unknown option 'bogus'."),
])
def test_console_options_print_and_exit_as_on_linux(desk, argv, code, text):
    done = run(desk, str(EXE), *argv)
    assert (done.returncode, text in done.stdout + done.stderr) == (code, True), done
    if code:
        assert "Usage: " in done.stderr


def test_the_zip_holds_the_program_its_help_and_its_licences():
    with zipfile.ZipFile(ZIP) as archive:
        names = archive.namelist()
    assert {name.split("/")[0] for name in names} == {"zolvantek.exe", "help", "licenses"}
    assert "help/zolvantek.html" in names and "licenses/third-party-notices.txt" in names


def test_install_update_while_running_and_uninstall(desk):
    folder = INSTALLED.format(user=desk.user)
    program, shortcut = folder + r"\zolvantek.exe", desk.c_path(SHORTCUT.format(user=desk.user))
    desk.import_registry(f'[{LISTS}]\r\n"DirP1"="Notepad | C:\\\\windows\\\\notepad.exe |  | Normal"\r\n')
    lists = values(desk, LISTS)

    assert run_setup(desk, str(SETUP), "/S") == 0
    for part in ("zolvantek.exe", r"help\zolvantek.html", r"licenses\third-party-notices.txt"):
        assert desk.c_path(folder + "\\" + part).is_file(), part
    assert shortcut_target(shortcut).lower() == program.lower()
    registered = values(desk, UNINSTALL)
    assert {k: registered.get(k) for k in ("DisplayName", "DisplayVersion", "Publisher")} == {
        "DisplayName": "ZOLVANTEK", "DisplayVersion": "2.00.0030",
        "Publisher": "Brindlex Software Solutions"}
    assert registered["DisplayIcon"].lower() == program.lower() + ",0"
    assert int(registered["EstimatedSize"], 16) * 1024 >= EXE.stat().st_size
    assert values(desk, RUN).get(APP_ID) == f'"{program}"'

    # Started as the Start menu starts it, with the lists the registry holds.
    desk.start_program(shortcut_target(shortcut))
    desk.click(*desk.settled_icon().center)
    desk.click_text("programs-menu", desk.wait_window(desk.is_popup, what="menu"), "Notepad")
    wait(lambda: any(w.name.startswith("Untitled - Notepad") for w in desk.top_level()), 30,
         "Notepad started from the installed program's menu")
    first = instances(desk)
    assert len(first) == 1

    # An update while it runs ends it, replaces the files and starts it again; the lists
    # and the autostart choice (turned off here) stay as they were.
    assert run(desk, program, "--autostart", "off").returncode == 0
    assert run_setup(desk, str(SETUP), "/S") == 0
    wait(lambda: desk.docked_icon(), 60, "the updated program in the tray")
    again = wait(lambda: instances(desk), 30, "the updated program running")
    assert len(again) == 1 and again != first
    assert APP_ID not in values(desk, RUN)
    assert values(desk, LISTS) == lists

    assert run(desk, program, "--autostart", "on").returncode == 0
    uninstall = values(desk, UNINSTALL)["QuietUninstallString"]
    assert run_setup(desk, *re.fullmatch(r'"(.+)" (/S)', uninstall).groups()) == 0
    # The uninstaller goes on from a copy of itself in TEMP, so that it can delete itself.
    wait(lambda: not values(desk, UNINSTALL) and not desk.c_path(folder).exists(), 60,
         "the uninstaller to finish")
    assert not shortcut.exists() and APP_ID not in values(desk, RUN) and not instances(desk)
    assert values(desk, LISTS) == lists
