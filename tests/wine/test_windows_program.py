"""zolvantek.exe as a Windows user meets it, unpacked from the portable zip and run under
Wine with trayer as the tray: the icon docks, each press opens its own menu (told apart by
what its entry starts), an entry starts launch_probe.exe with the exact command line and
show value, Help opens the page beside the program, Close ends it. What the menus hold and
what the commands do is tested by the widget tests, under Wine too. Also what the .exe is
as a file, read from its PE headers."""

import os
import re
import struct
import zipfile
from pathlib import Path

import pefile
import pytest

from wine_prefix import Desktop, WinePrefix, wait_for

EXE, ZIP, PROBE = (Path(os.environ[f"ZOLVANTEK_{name}"]) for name in ("EXE", "ZIP", "PROBE"))
ARTIFACTS = Path(os.environ.get("E2E_ARTIFACTS", "/tmp/zolvantek-e2e-artifacts"))
PROGRAM, PROBE_AT = r"C:\Zolvantek\zolvantek.exe", r"C:\Probe Tools\probe.exe"
LISTS = {"Dir1": r"System | C:\windows\system32 | Explorer | Normal",
         "DirP1": f'Probe | {PROBE_AT} | alpha "two words" | Minimized'}
# The probe stands in for the browser too, as the shell's program for .html files.
BROWSER = ('[HKEY_CLASSES_ROOT\\.html]\r\n@="ZolvantekTestPage"\r\n\r\n'
           '[HKEY_CLASSES_ROOT\\ZolvantekTestPage\\shell\\open\\command]\r\n'
           '@="\\"C:\\\\Probe Tools\\\\probe.exe\\" \\"%1\\""\r\n')


def test_the_exe_is_a_static_gui_program_with_its_icons_and_version():
    pe = pefile.PE(str(EXE), fast_load=True)
    pe.parse_data_directories([pefile.DIRECTORY_ENTRY[name] for name in
                               ("IMAGE_DIRECTORY_ENTRY_IMPORT", "IMAGE_DIRECTORY_ENTRY_RESOURCE")])
    assert (pe.OPTIONAL_HEADER.Magic, pe.OPTIONAL_HEADER.Subsystem) == (0x20B, 2)  # 64-bit, no console
    dlls = [entry.dll.decode() for entry in pe.DIRECTORY_ENTRY_IMPORT]
    assert [d for d in dlls if re.match(r"(?i)(qt6|libgcc|libstdc|libwinpthread)", d)] == []
    kinds = {entry.id: entry for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries}
    assert len(kinds[pefile.RESOURCE_TYPE["RT_ICON"]].directory.entries) == 8
    group = kinds[pefile.RESOURCE_TYPE["RT_GROUP_ICON"]].directory.entries[0].directory.entries[0].data.struct
    group = pe.get_data(group.OffsetToData, group.Size)
    assert sorted(group[6 + 14 * i] or 256 for i in range(struct.unpack_from("<H", group, 4)[0])) == [
        16, 20, 24, 32, 40, 48, 64, 256]
    pe.parse_data_directories()  # the version information
    fixed = pe.VS_FIXEDFILEINFO[0]
    assert (fixed.FileVersionMS, fixed.FileVersionLS) == (2 << 16, 30)  # 2,0,0,30
    strings = {k.decode(): v.decode() for info in pe.FileInfo[0] if info.name == "StringFileInfo"
               for table in info.StringTable for k, v in table.entries.items()}
    assert {k: strings.get(k) for k in ("CompanyName", "FileVersion", "ProductVersion", "ProductName")} == {
        "CompanyName": "Brindlex Software Solutions", "FileVersion": "2.00.0030",
        "ProductVersion": "2.00.0030", "ProductName": "Brindlex ZOLVANTEK"}


@pytest.fixture
def wine():
    with Desktop(ARTIFACTS / "wine") as desk:
        desk.start_tray("trayer")
        with WinePrefix(desk) as prefix:
            yield prefix


def test_the_icon_docks_each_press_opens_its_menu_its_entries_start_as_stored_and_close_ends(wine):
    desk = wine.desk
    with zipfile.ZipFile(ZIP) as archive:
        archive.extractall(wine.c_path(PROGRAM).parent)
    for target in (PROBE_AT, r"C:\windows\explorer.exe"):  # the probe stands in for Explorer too
        wine.install(PROBE, target)
    quoted = {k: v.replace("\\", "\\\\").replace('"', '\\"') for k, v in LISTS.items()}
    wine.import_registry(r"[HKEY_CURRENT_USER\Software\Brindlex Software Solutions\Zolvantek\Directories]"
                         "\r\n" + "".join(f'"{k}"="{v}"\r\n' for k, v in quoted.items()) + "\r\n" + BROWSER)
    report = desk.workdir / "probe.report"
    program = desk.spawn("zolvantek", ["/usr/lib/wine/wine64", PROGRAM],
                         dict(wine.env, ZOLVANTEK_PROBE_REPORT="Z:" + str(report).replace("/", "\\")))
    wine.settled_icon()
    assert desk.titled("Wine System Tray") is None, "Wine drew a tray of its own"

    def started() -> dict[str, str]:
        wait_for(report.exists, 20, "the probe starting")
        text = report.read_text(encoding="latin-1")
        report.unlink()
        return dict(line.split("=", 1) for line in text.splitlines())

    def choose(button: str, last: bool = True, submenu: bool = False) -> None:
        """Presses the icon and clicks the last entry of its menu, or of the submenu at its top."""
        popup = wine.press(program, button)
        assert popup, f"no menu after a {button} press"
        desk.screenshot(ARTIFACTS / "wine" / f"{button}{'-submenu' if submenu else ''}.png")
        if submenu:
            wine.click(popup.x + popup.width // 2, popup.y + 10)
            popup = wait_for(lambda: next((p for p in desk.popups({program.pid}) if p != popup), None), 10,
                             "the submenu")
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
