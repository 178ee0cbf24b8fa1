"""zolvantek.exe as a Windows user meets it, under Wine with trayer as the tray: the icon
docks, each press opens its own menu (told apart by what its entry starts), an entry
starts launch_probe.exe with the exact command line and show value, Close ends it. What
the menus hold and what the commands do is tested by the widget tests, under Wine too.
Also what the .exe is as a file, read from its PE headers."""

import os
import re
import time
from pathlib import Path

import pefile
import pytest

from wine_prefix import Desktop, WinePrefix, wait_for

EXE, PROBE = Path(os.environ["ZOLVANTEK_EXE"]), Path(os.environ["ZOLVANTEK_PROBE"])
ARTIFACTS = Path(os.environ.get("E2E_ARTIFACTS", "/tmp/zolvantek-e2e-artifacts"))
PROGRAM, PROBE_AT = r"C:\Zolvantek\zolvantek.exe", r"C:\Probe Tools\probe.exe"
LISTS = {"Dir1": r"System | C:\windows\system32 | Explorer | Normal",
         "DirP1": f'Probe | {PROBE_AT} | alpha "two words" | Minimized'}


def test_the_exe_is_a_static_gui_program_with_its_icon_and_version():
    pe = pefile.PE(str(EXE), fast_load=True)
    pe.parse_data_directories([pefile.DIRECTORY_ENTRY[name] for name in
                               ("IMAGE_DIRECTORY_ENTRY_IMPORT", "IMAGE_DIRECTORY_ENTRY_RESOURCE")])
    assert (pe.OPTIONAL_HEADER.Magic, pe.OPTIONAL_HEADER.Subsystem) == (0x20B, 2)  # 64-bit, no console
    dlls = [entry.dll.decode() for entry in pe.DIRECTORY_ENTRY_IMPORT]
    assert [d for d in dlls if re.match(r"(?i)(qt6|libgcc|libstdc|libwinpthread)", d)] == []
    kinds = {entry.id: entry for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries}
    assert len(kinds[pefile.RESOURCE_TYPE["RT_ICON"]].directory.entries) == 2  # 16 and 32 pixels
    assert pefile.RESOURCE_TYPE["RT_GROUP_ICON"] in kinds
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


def test_the_icon_docks_each_press_opens_its_menu_an_entry_starts_as_stored_and_close_ends(wine):
    desk = wine.desk
    wine.install(EXE, PROGRAM)
    for target in (PROBE_AT, r"C:\windows\explorer.exe"):  # the probe stands in for Explorer too
        wine.install(PROBE, target)
    reg = desk.workdir / "lists.reg"
    quoted = {k: v.replace("\\", "\\\\").replace('"', '\\"') for k, v in LISTS.items()}
    reg.write_text("Windows Registry Editor Version 5.00\r\n\r\n"
                   "[HKEY_CURRENT_USER\\Software\\Brindlex Software Solutions\\Zolvantek\\Directories]\r\n"
                   + "".join(f'"{k}"="{v}"\r\n' for k, v in quoted.items()), encoding="latin-1")
    wine.wine("reg", "import", "Z:" + str(reg).replace("/", "\\"))
    report = desk.workdir / "probe.report"
    program = desk.spawn("zolvantek", ["/usr/lib/wine/wine64", PROGRAM],
                         dict(wine.env, ZOLVANTEK_PROBE_REPORT="Z:" + str(report).replace("/", "\\")))
    icon = wine.settled_icon()
    assert desk.titled("Wine System Tray") is None, "Wine drew a tray of its own"

    def press(button: str):
        """Wine takes a press only once it has seen the pointer arrive."""
        desk.xdotool("mousemove", *icon.center)
        time.sleep(0.3)
        return desk.press(icon, button, owner=program, timeout=10)

    def click(x: int, y: int) -> None:
        desk.xdotool("mousemove", x, y)
        time.sleep(0.3)
        desk.click(x, y)

    def choose_last(button: str) -> dict[str, str]:
        """Presses the icon and clicks the last entry of the menu that opens; what the probe
        was started with."""
        wait_for(lambda: not desk.popups({program.pid}), 10, "no menu left open")
        # Only the program's own: Wine's tooltip of the icon is a window like a menu.
        popup = press(button)
        assert popup, f"no menu after a {button} press"
        desk.screenshot(ARTIFACTS / "wine" / f"{button}.png")
        click(popup.x + popup.width // 2, popup.y + popup.height - 10)
        wait_for(report.exists, 20, "the probe starting")
        text = report.read_text(encoding="latin-1")
        report.unlink()
        return dict(line.split("=", 1) for line in text.splitlines())

    started = choose_last("left")
    assert (started["module"].lower(), started["commandLine"]) == (PROBE_AT.lower(), PROBE_AT + ' alpha "two words"')
    assert (started["useShowWindow"], started["showWindow"]) == ("1", "2")
    started = choose_last("right")
    assert started["module"].lower() == r"c:\windows\explorer.exe"
    assert (started["commandLine"], started["showWindow"]) == (r"C:\windows\explorer.EXE /n, /e, C:\windows\system32", "1")

    popup = press("left")
    click(popup.x + popup.width // 2, popup.y + 10)  # PROGRAMS, the submenu with the commands
    time.sleep(0.5)
    desk.key("Down", "Down", "Return")  # Add or Modify, Close
    assert program.wait(20) == 0
    wait_for(lambda: not wine.icons(), 10, "the icon leaving the tray")
