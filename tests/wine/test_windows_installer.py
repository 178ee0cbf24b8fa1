"""The Windows packages under Wine: zolvantek.exe's console options, the zip's contents, and
the installer's silent install, update while the program runs, and uninstall."""

import os
import re
import struct
import zipfile
from pathlib import Path

import psutil
import pytest

from wine_prefix import WINE, Desktop, WinePrefix, wait_for

EXE, SETUP, ZIP = (Path(os.environ[f"ZOLVANTEK_{name}"]) for name in ("EXE", "SETUP", "ZIP"))
HKCU, APP_ID = "HKEY_CURRENT_USER\\Software\\", "com.brindlex.Zolvantek"
LISTS = HKCU + r"Brindlex Software Solutions\Zolvantek\Directories"
RUN = HKCU + r"Microsoft\Windows\CurrentVersion\Run"
UNINSTALL = HKCU + r"Microsoft\Windows\CurrentVersion\Uninstall" + "\\" + APP_ID
ARTIFACTS = Path(os.environ.get("E2E_ARTIFACTS", "/tmp/zolvantek-e2e-artifacts")) / "wine-installer"


@pytest.fixture(scope="module")
def desk():
    with Desktop(ARTIFACTS) as session:
        session.start_tray("trayer")
        with WinePrefix(session) as prefix:
            yield prefix


def values(desk, key: str) -> dict[str, str]:
    lines = desk.wine("reg", "query", key).stdout.splitlines()
    rows = (re.match(r"^ {4}(\S.*?) {4}REG_\w+ {4}(.*)$", line) for line in lines)
    return {row[1]: row[2] for row in rows if row}


def shortcut_target(data: bytes) -> str:
    """The LocalBasePath of a .lnk file's LinkInfo (after the ID list, when there is one)."""
    at = 0x4C + (2 + struct.unpack_from("<H", data, 0x4C)[0] if data[0x14] & 1 else 0)
    base = at + struct.unpack_from("<I", data, at + 16)[0]
    return data[base:data.index(b"\0", base)].decode("latin-1")


def instances(desk) -> list[int]:
    """The zolvantek.exe processes running in this prefix."""
    return [p.pid for p in psutil.process_iter(["cmdline", "environ"])
            if any(re.search(r"(?i)\\zolvantek\.exe$", arg) for arg in p.info["cmdline"] or [])
            and (p.info["environ"] or {}).get("WINEPREFIX") == str(desk.prefix)]


@pytest.mark.parametrize("argv, code, text", [
    (["--version"], 0, "ZOLVANTEK 2.030\n"), (["--help"], 0, "Usage: "),
    (["--bogus"], 2, "Unknown option 'bogus'.")])
def test_console_options_print_and_exit_as_on_linux(desk, argv, code, text):
    done = desk.wine(str(EXE), *argv)
    seen = (done.returncode, text in done.stdout + done.stderr, "Usage: " in done.stderr)
    assert seen == (code, True, code == 2), done


def test_the_zip_holds_the_program_its_help_and_its_licences():
    names = zipfile.ZipFile(ZIP).namelist()
    assert {name.split("/")[0] for name in names} == {"zolvantek.exe", "help", "licenses"}
    assert {"help/zolvantek.html", "licenses/third-party-notices.txt"} <= set(names)


def test_install_update_while_running_and_uninstall(desk):
    user = next(p.name for p in (desk.drive_c / "users").iterdir() if p.name != "Public")
    folder = rf"C:\users\{user}\AppData\Local\Programs\ZOLVANTEK"
    program = folder + r"\zolvantek.exe"
    shortcut = desk.c_path(rf"C:\users\{user}\AppData\Roaming\Microsoft\Windows\Start Menu\Programs"
                           r"\ZOLVANTEK.lnk")
    notepad = r"Notepad | C:\\windows\\notepad.exe |  | Normal"
    desk.import_registry(f'[{LISTS}]\r\n"DirP1"="{notepad}"\r\n')
    lists = values(desk, LISTS)

    assert desk.wine(str(SETUP), "/S", output=False).returncode == 0
    for part in ("zolvantek.exe", r"help\zolvantek.html", r"licenses\third-party-notices.txt"):
        assert desk.c_path(folder + "\\" + part).is_file(), part
    assert shortcut_target(shortcut.read_bytes()).lower() == program.lower()
    entry = values(desk, UNINSTALL)
    assert [entry.get(k) for k in ("DisplayName", "DisplayVersion", "Publisher", "DisplayIcon")] == [
        "ZOLVANTEK", "2.00.0030", "Brindlex Software Solutions", program + ",0"]
    assert int(entry["EstimatedSize"], 16) * 1024 >= EXE.stat().st_size
    assert values(desk, RUN).get(APP_ID) == f'"{program}"'

    # Started as the Start menu starts it, its menu holds the list from the registry.
    started = desk.desk.spawn("zolvantek", [WINE, shortcut_target(shortcut.read_bytes())], desk.env)
    menu = desk.press(started)  # PROGRAMS, whose last entry is the one stored
    desk.click(menu.x + menu.width // 2, menu.y + menu.height - 10)
    wait_for(lambda: any(t.startswith("Untitled - Notepad") for t in desk.desk.titles()), 30, "Notepad")
    first = instances(desk)
    assert len(first) == 1

    # An update while it runs ends it and starts it again; the lists and the autostart
    # choice (turned off here) stay as they were.
    assert desk.wine(program, "--autostart", "off").returncode == 0
    assert desk.wine(str(SETUP), "/S", output=False).returncode == 0
    wait_for(desk.icons, 60, "the updated program in the tray")
    assert len(instances(desk)) == 1 and instances(desk) != first
    assert (APP_ID in values(desk, RUN), values(desk, LISTS)) == (False, lists)

    assert desk.wine(program, "--autostart", "on").returncode == 0
    command = re.fullmatch(r'"(.+)" (/S)', values(desk, UNINSTALL)["QuietUninstallString"]).groups()
    assert desk.wine(*command, output=False).returncode == 0
    # The uninstaller goes on from a copy of itself in TEMP, so that it can delete itself.
    wait_for(lambda: not values(desk, UNINSTALL) and not desk.c_path(folder).exists(), 60, "the uninstall")
    assert (shortcut.exists(), APP_ID in values(desk, RUN), instances(desk)) == (False, False, [])
    assert values(desk, LISTS) == lists
