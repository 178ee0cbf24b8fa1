"""Proves the end-to-end harness against the minimal baseline tray program.

Run: /usr/bin/python3 tests/e2e/harness_selftest.py
BASELINE_TRAY names a built baseline_tray binary; without it the baseline is built
with CMake into a cache folder. E2E_ARTIFACTS names where screenshots and logs go.
"""

import fcntl
import functools
import os
import struct
import subprocess
import sys
import tempfile
import time
import unittest
from pathlib import Path

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, str(Path(__file__).resolve().parent))
from harness import Desktop, HarnessError  # noqa: E402

REPO = Path(__file__).resolve().parents[2]
ARTIFACTS = Path(os.environ.get("E2E_ARTIFACTS",
                                Path(tempfile.gettempdir()) / "zolvantek-e2e-artifacts")) / "harness_selftest"
EXPECTED_ITEMS = [f"Item {i}" for i in range(1, 21)]


@functools.cache
def baseline_binary() -> Path:
    given = os.environ.get("BASELINE_TRAY")
    if given:
        return Path(given)
    build = Path(tempfile.gettempdir()) / "zolvantek-baseline-tray-build"
    build.mkdir(exist_ok=True)
    with open(build / ".lock", "w") as lock:  # two runs at once share the build
        fcntl.flock(lock, fcntl.LOCK_EX)
        subprocess.run(["cmake", "-S", str(REPO / "bench" / "baseline_tray"), "-B", str(build),
                        "-DCMAKE_BUILD_TYPE=Release"], check=True, stdout=subprocess.DEVNULL)
        subprocess.run(["cmake", "--build", str(build), "-j2"], check=True, stdout=subprocess.DEVNULL)
    return build / "baseline_tray"


def png_size(path: Path) -> tuple[int, int]:
    with open(path, "rb") as f:
        header = f.read(24)
    if header[:8] != b"\x89PNG\r\n\x1a\n":
        raise AssertionError(f"{path} is not a PNG")
    return struct.unpack(">II", header[16:24])


def alive(pid: int) -> bool:
    """Running, not merely a zombie waiting to be reaped."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except FileNotFoundError:
        return False


class BaselineUnderHarness(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.binary = baseline_binary()
        cls.desk = Desktop(ARTIFACTS)
        cls.desk.__enter__()
        try:
            cls.started = time.monotonic()
            cls.desk.start_program([cls.binary])
            cls.embed_seconds = time.monotonic() - cls.started
        except BaseException:
            cls.desk.close()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.desk.close()

    def setUp(self):
        if self.desk.popup() is not None:
            self.desk.close_popup()

    def test_icon_is_embedded_in_the_tray_at_the_top_right(self):
        self.assertTrue(self.desk.is_icon_embedded())
        icon = self.desk.icon_geometry()
        # trayer sits at the top edge, aligned right, 32 pixels high.
        self.assertGreater(icon.width, 8)
        self.assertLessEqual(icon.y + icon.height, 32)
        self.assertGreater(icon.x, 1024 - 160 - 1)
        self.assertLessEqual(icon.x + icon.width, 1024)

    def test_left_press_shows_the_twenty_items_in_order_and_escape_closes_it(self):
        popup = self.desk.press("left")
        self.assertIsNotNone(popup, "no popup after a left press")
        self.assertEqual(self.desk.popup_items(), EXPECTED_ITEMS)
        shot = self.desk.screenshot("left-press-popup")
        self.assertEqual(png_size(shot), (1024, 768))
        self.desk.key("Escape")
        self.assertTrue(self.desk.wait_popup_closed())
        self.assertIsNone(self.desk.popup())
        with self.assertRaises(HarnessError):
            self.desk.popup_items()

    def test_entries_lie_top_to_bottom_inside_the_popup(self):
        popup = self.desk.press("left")
        self.assertIsNotNone(popup)
        entries = self.desk.popup_entries()
        self.assertEqual(len(entries), 20)
        tops = [e.geometry.y for e in entries]
        self.assertEqual(tops, sorted(tops))
        self.assertEqual(len(set(tops)), 20)
        for e in entries:
            self.assertTrue(popup.geometry.contains(*e.geometry.center), e)
            self.assertEqual(e.role, "menu item")
            self.assertTrue(e.enabled)
            self.assertFalse(e.is_separator)
        self.desk.close_popup()

    def test_right_press_pops_the_menu_and_middle_press_pops_nothing(self):
        self.assertIsNotNone(self.desk.press("right"))
        self.assertEqual(self.desk.popup_items(), EXPECTED_ITEMS)
        self.desk.close_popup()
        self.assertIsNone(self.desk.press("middle", timeout=1.0))
        self.assertTrue(self.desk.program_running())

    def test_choosing_by_keyboard_highlights_the_item_then_closes_the_menu(self):
        self.assertIsNotNone(self.desk.press("left"))
        self.assertEqual([e.text for e in self.desk.popup_entries() if e.focused], [])
        self.desk.choose("Item 7")
        self.assertTrue(self.desk.wait_popup_closed())
        self.assertTrue(self.desk.program_running())

    def test_choosing_by_click_closes_the_menu(self):
        self.assertIsNotNone(self.desk.press("left"))
        self.desk.choose("Item 20", method="click")
        self.assertTrue(self.desk.wait_popup_closed())
        self.desk.park_pointer()

    def test_choosing_a_missing_item_is_refused(self):
        self.assertIsNotNone(self.desk.press("left"))
        with self.assertRaises(HarnessError):
            self.desk.choose("Item 21")
        self.desk.close_popup()


class Teardown(unittest.TestCase):
    def test_nothing_is_left_running_after_the_desktop_closes(self):
        with Desktop(ARTIFACTS / "teardown") as desk:
            desk.start_program([baseline_binary()])
            pids = desk.session_pids()
            # Xvfb, the session bus, the accessibility bus and registry, trayer, the program
            self.assertGreaterEqual(len(pids), 5)
            self.assertIn(desk.program.pid, pids)
            display = desk.display
        self.assertEqual([p for p in pids if alive(p)], [])
        self.assertFalse(Path(f"/tmp/.X{display[1:]}-lock").exists())

    def test_the_program_can_be_stopped_and_started_again(self):
        with Desktop(ARTIFACTS / "restart") as desk:
            desk.start_program([baseline_binary()])
            first = desk.program.pid
            desk.stop_program()
            self.assertFalse(desk.is_icon_embedded())
            desk.start_program([baseline_binary()])
            self.assertNotEqual(desk.program.pid, first)
            self.assertIsNotNone(desk.press("left"))
            self.assertEqual(desk.popup_items(), EXPECTED_ITEMS)

    def test_a_program_that_never_shows_an_icon_is_reported(self):
        with Desktop(ARTIFACTS / "no-icon") as desk:
            started = time.monotonic()
            with self.assertRaises(HarnessError):
                desk.start_program(["sleep", "30"], timeout=1.5)
            self.assertLess(time.monotonic() - started, 10)


if __name__ == "__main__":
    started = time.monotonic()
    result = unittest.main(exit=False, verbosity=2).result
    print(f"harness selftest took {time.monotonic() - started:.1f} s")
    sys.exit(0 if result.wasSuccessful() else 1)
