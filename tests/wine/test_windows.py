"""zolvantek.exe as a Windows user meets it, under Wine with trayer as the tray, in one
throw-away prefix. The menus are told apart by what their entries start; what they hold
and what the commands do is tested by the widget tests, under Wine too."""

import os
import re
import struct
import zipfile
from pathlib import Path

import pefile
import psutil
import pytest

from wine_prefix import WINE, Desktop, WinePrefix, wait_for

EXE, SETUP, ZIP, PROBE = (Path(os.environ[f"ZOLVANTEK_{name}"]) for name in ("EXE", "SETUP", "ZIP", "PROBE"))
ARTIFACTS = Path(os.environ.get("E2E_ARTIFACTS", "/tmp/zolvantek-e2e-artifacts")) / "wine"
HKCU, APP_ID = "HKEY_CURRENT_USER\\Software\\", "com.brindlex.Zolvantek"
LISTS = HKCU + r"Brindlex Software Solutions\Zolvantek\Directories"
RUN = HKCU + r"Microsoft\Windows\CurrentVersion\Run"
UNINSTALL = HKCU + r"Microsoft\Windows\CurrentVersion\Uninstall" + "\\" + APP_ID
PROGRAM, PROBE_AT = r"C:\Zolvantek\zolvantek.exe", r"C:\Probe Tools\probe.exe"

ENTRIES = {"Dir1": r"System | C:\windows\system32 | Explorer | Normal",
           "DirP1": f'Probe | {PROBE_AT} | alpha "two words" | Minimized'}
# The probe stands in for the browser too, as the shell's program for .html files.
BROWSER = ('[HKEY_CLASSES_ROOT\\.html]\r\n@="ZolvantekTestPage"\r\n\r\n'
           '[HKEY_CLASSES_ROOT\\ZolvantekTestPage\\shell\\open\\command]\r\n'
           '@="\\"C:\\\\Probe Tools\\\\probe.exe\\" \\"%1\\""\r\n')


def test_the_exe_is_a_64_bit_windows_program_without_a_console_and_with_its_version():
    # (That it needs no DLL beside it: the smoke runs it alone from the zip.)
    pe = pefile.PE(str(EXE))
    assert (pe.OPTIONAL_HEADER.Magic, pe.OPTIONAL_HEADER.Subsystem) == (0x20B, 2)
    fixed = pe.VS_FIXEDFILEINFO[0]
    assert (fixed.FileVersionMS, fixed.FileVersionLS) == (2 << 16, 30)  # 2,0,0,30
    strings = {k.decode(): v.decode() for info in pe.FileInfo[0] if info.name == "StringFileInfo"
               for table in info.StringTable for k, v in table.entries.items()}
    assert {k: strings.get(k) for k in ("CompanyName", "FileVersion", "ProductVersion", "ProductName")} == {
        "CompanyName": "Brindlex Software Solutions", "FileVersion": "2.00.0030",
        "ProductVersion": "2.00.0030", "ProductName": "Brindlex ZOLVANTEK"}


@pytest.fixture(scope="module")
def wine():
    with Desktop(ARTIFACTS) as desk:
        desk.start_tray("trayer")
        with WinePrefix(desk) as prefix:
            yield prefix


def test_the_icon_docks_each_press_opens_its_menu_its_entries_start_as_stored_and_close_ends(wine):
    desk = wine.desk
    with zipfile.ZipFile(ZIP) as archive:
        assert {name.split("/")[0] for name in archive.namelist()} == {"zolvantek.exe", "help", "licenses"}
        archive.extractall(wine.c_path(PROGRAM).parent)
    # The probe stands in for Explorer too, and for the program Windows would start, were it
    # left to find the program in a command line whose path has a blank.
    for target in (PROBE_AT, r"C:\windows\explorer.exe", r"C:\Probe.exe"):
        wine.install(PROBE, target)
    quoted = {k: v.replace("\\", "\\\\").replace('"', '\\"') for k, v in ENTRIES.items()}
    wine.import_registry(f"[{LISTS}]\r\n" + "".join(f'"{k}"="{v}"\r\n' for k, v in quoted.items()) + "\r\n" + BROWSER)
    report = desk.workdir / "probe.report"
    program = desk.spawn("zolvantek", ["/usr/lib/wine/wine64", PROGRAM],
                         dict(wine.env, ZOLVANTEK_PROBE_REPORT="Z:" + str(report).replace("/", "\\")))
    wine.settled_icon()

    def started() -> dict[str, str]:
        wait_for(report.exists, 20, "the probe starting")
        text = report.read_text(encoding="latin-1")
        report.unlink()
        return dict(line.split("=", 1) for line in text.splitlines())

    def choose(button: str, last: bool = True, submenu: bool = False) -> None:
        """Presses the icon and clicks the last entry of its menu, or of the submenu at its top."""
        popup = wine.press(program, button)
        if submenu and popup:
            popup = desk.new_popup(lambda: wine.click(popup.x + popup.width // 2, popup.y + 10), program, 10)
        assert popup, f"no menu (or submenu) after a {button} press"
        if last:
            wine.click(popup.x + popup.width // 2, popup.y + popup.height - 10)

    choose("left")
    run = started()
    assert (run["module"].lower(), run["commandLine"]) == (PROBE_AT.lower(), PROBE_AT + ' alpha "two words"')
    assert (run["useShowWindow"], run["showWindow"]) == ("1", "2")
    choose("right")
    run = started()
    assert run["module"].lower() == r"c:\windows\explorer.exe"
    assert (run["commandLine"], run["showWindow"]) == (r"C:\windows\explorer.EXE /n, /e, C:\windows\system32", "1")
    # Help, the last command: the page unpacked beside the program.
    choose("left", submenu=True)
    assert started()["commandLine"].replace("/", "\\").lower() == \
        r'"c:\probe tools\probe.exe" "c:\zolvantek\help\zolvantek.html"'
    choose("left", last=False, submenu=True)
    desk.key("Down", "Down", "Return")  # Add or Modify, Close
    assert program.wait(20) == 0
    wait_for(lambda: not wine.icons(), 10, "the icon leaving the tray")


def values(wine, key: str) -> dict[str, str]:
    return dict(re.findall(r"(?m)^ {4}(\S.*?) {4}REG_\w+ {4}(.*)$", wine.wine("reg", "query", key).stdout))


def shortcut_target(data: bytes) -> str:
    """The LocalBasePath of a .lnk file's LinkInfo (after the ID list, when there is one)."""
    at = 0x4C + (2 + struct.unpack_from("<H", data, 0x4C)[0] if data[0x14] & 1 else 0)
    base = at + struct.unpack_from("<I", data, at + 16)[0]
    return data[base:data.index(b"\0", base)].decode("latin-1")


def instances(wine) -> list[int]:
    return [p.pid for p in psutil.process_iter(["cmdline", "environ"])
            if any(re.search(r"(?i)\\zolvantek\.exe$", arg) for arg in p.info["cmdline"] or [])
            and (p.info["environ"] or {}).get("WINEPREFIX") == str(wine.prefix)]


@pytest.mark.parametrize("argv, code, text", [
    (["--version"], 0, "ZOLVANTEK 2.030\n"), (["--help"], 0, "Usage: "),
    (["--bogus"], 2, "Unknown option 'bogus'.")])
def test_console_options_print_and_exit_as_on_linux(wine, argv, code, text):
    done = wine.wine(str(EXE), *argv)
    seen = (done.returncode, text in done.stdout + done.stderr, "Usage: " in done.stderr)
    assert seen == (code, True, code == 2), done


def test_install_update_while_running_and_uninstall(wine):
    user = next(p.name for p in (wine.drive_c / "users").iterdir() if p.name != "Public")
    folder = rf"C:\users\{user}\AppData\Local\Programs\ZOLVANTEK"
    program = folder + r"\zolvantek.exe"
    shortcut = wine.c_path(rf"C:\users\{user}\AppData\Roaming\Microsoft\Windows\Start Menu\Programs"
                           r"\ZOLVANTEK.lnk")
    wine.import_registry(f'[{LISTS}]\r\n"Dir2"="Kept | C:\\\\ | Explorer | Normal"\r\n')
    lists = values(wine, LISTS)

    assert wine.wine(str(SETUP), "/S", output=False).returncode == 0
    for part in ("zolvantek.exe", r"help\zolvantek.html", r"licenses\third-party-notices.txt"):
        assert wine.c_path(folder + "\\" + part).is_file(), part
    assert shortcut_target(shortcut.read_bytes()).lower() == program.lower()
    entry = values(wine, UNINSTALL)
    assert [entry.get(k) for k in ("DisplayName", "DisplayVersion", "Publisher", "DisplayIcon")] == [
        "ZOLVANTEK", "2.00.0030", "Brindlex Software Solutions", program + ",0"]
    assert int(entry["EstimatedSize"], 16) * 1024 >= EXE.stat().st_size
    assert values(wine, RUN).get(APP_ID) == f'"{program}"'

    # Started as the Start menu starts it.
    wine.desk.spawn("zolvantek", [WINE, shortcut_target(shortcut.read_bytes())], wine.env)
    wine.settled_icon()
    first = instances(wine)
    assert len(first) == 1

    # An update while it runs ends it and starts it again; the lists and the autostart
    # choice (turned off here) stay as they were.
    assert wine.wine(program, "--autostart", "off").returncode == 0
    assert wine.wine(str(SETUP), "/S", output=False).returncode == 0
    wait_for(wine.icons, 60, "the updated program in the tray")
    assert len(instances(wine)) == 1 and instances(wine) != first
    assert (APP_ID in values(wine, RUN), values(wine, LISTS)) == (False, lists)

    assert wine.wine(program, "--autostart", "on").returncode == 0
    command = re.fullmatch(r'"(.+)" (/S)', values(wine, UNINSTALL)["QuietUninstallString"]).groups()
    assert wine.wine(*command, output=False).returncode == 0
    # The uninstaller goes on from a copy of itself in TEMP, so that it can delete itself.
    wait_for(lambda: not values(wine, UNINSTALL) and not wine.c_path(folder).exists(), 60, "the uninstall")
    assert (shortcut.exists(), APP_ID in values(wine, RUN), instances(wine)) == (False, False, [])
    assert values(wine, LISTS) == lists
