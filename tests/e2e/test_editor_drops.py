"""Drags over XDND onto the list editor: a line moved within the program list, and a desktop
entry dropped from a GTK drag source, as from a file manager, stored with the editor's OK."""

import shutil
from pathlib import Path

from conftest import start_program
from session import wait_for

DRAG_SOURCE = ["/usr/bin/python3", Path(__file__).with_name("drag_source.py")]


def drag(desktop, start, end):
    desktop.xdotool("mousemove", *start, "mousedown", 1)
    for n in range(1, 11):  # XDND follows the motion
        desktop.xdotool("mousemove", *(a + (b - a) * n // 10 for a, b in zip(start, end)), "sleep", "0.03")
    desktop.xdotool("sleep", "0.2", "mouseup", 1)


def test_a_line_dragged_down_moves_and_a_dropped_desktop_entry_is_stored(desktop, tmp_path):
    (entry := tmp_path / "notes.desktop").write_text('[Desktop Entry]\nType=Application\nName=Notes\nExec=sh -c "a b" %U')
    settings = desktop.write_settings("[Directories]\nDirP1=Clock | /usr/bin/true |  | Normal\n"
                                      "DirP2=Editor | /usr/bin/false | a b | Maximized\n")
    desktop.start_tray("trayer")
    program = start_program(desktop)
    assert desktop.press(desktop.wait_icon(program), "left", owner=program)
    desktop.key("Down", "Right", "Return")  # Add or Modify
    editor = wait_for(lambda: desktop.titled("Programs:", program), 10, "the list editor")
    drag(desktop, (editor.x + 60, editor.y + 15), (editor.x + 60, editor.y + 150))  # the first line to the end
    source = desktop.spawn("drag", [*DRAG_SOURCE, 600, 500, entry])
    drag(desktop, wait_for(lambda: desktop.titled("drag source", source), 10, "the source").center,
         (editor.x + 150, editor.y + 100))
    wait_for(lambda: desktop.titled("Add Program", program), 10, "the item dialog after the drop")
    assert desktop.log("drag").split() == ["dropped:", "link"]  # the file manager leaves the file alone
    desktop.key("Return")  # the item dialog's OK
    wait_for(lambda: not desktop.titled("Add Program", program), 10, "the item dialog closing")
    desktop.click(editor.x + 422, editor.y + 200)  # the editor's OK, at its designed place
    wait_for(lambda: not desktop.titled("Programs:", program), 10, "the editor closing")
    values = dict(line.split("=", 1) for line in settings.read_text().splitlines()[1:])
    assert [values[f"DirP{n}"] for n in range(1, 5)] == ["Editor | /usr/bin/false | a b | Maximized",
        "Clock | /usr/bin/true |  | Normal", f'Notes | {shutil.which("sh")} | -c "a b" | Normal', ""]
