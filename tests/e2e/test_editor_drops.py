"""A line dragged over XDND within the list editor, which only a desktop can show: the drag
starts from a press and a motion, and the moved line is stored with the editor's OK. What
a drop does, also one from a file manager, is the widget tests'."""

from conftest import start_program
from session import wait_for


def drag(desktop, start, end):
    desktop.xdotool("mousemove", *start, "mousedown", 1)
    for n in range(1, 11):  # XDND follows the motion
        desktop.xdotool("mousemove", *(a + (b - a) * n // 10 for a, b in zip(start, end)), "sleep", "0.03")
    desktop.xdotool("sleep", "0.2", "mouseup", 1)


def test_a_line_dragged_down_moves_and_is_stored_with_ok(desktop):
    settings = desktop.write_settings("[Directories]\nDirP1=Clock | /usr/bin/true |  | Normal\n"
                                      "DirP2=Editor | /usr/bin/false | a b | Maximized\n")
    desktop.start_tray("trayer")
    program = start_program(desktop)
    assert desktop.press(desktop.wait_icon(program), "left", owner=program)
    desktop.key("Down", "Right", "Return")  # Add or Modify
    editor = wait_for(lambda: desktop.titled("Programs:", program), 10, "the list editor")
    drag(desktop, (editor.x + 60, editor.y + 15), (editor.x + 60, editor.y + 150))  # the first line to the end
    desktop.click(editor.x + 422, editor.y + 200)  # the editor's OK, at its designed place
    wait_for(lambda: not desktop.titled("Programs:", program), 10, "the editor closing")
    values = dict(line.split("=", 1) for line in settings.read_text().splitlines()[1:])
    assert [values[f"DirP{n}"] for n in range(1, 4)] == ["Editor | /usr/bin/false | a b | Maximized",
                                                         "Clock | /usr/bin/true |  | Normal", ""]
