"""The real program's command line: the options that need no display, the message when there
is none, and one instance per session (a second start, and a start after a crash)."""

import os
import signal
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

from e2e_support import PROGRAM, ProgramInTray, run

NO_DISPLAY = "ZOLVANTEK needs a graphical desktop session (no display found).\n"
ENTRY = "com.brindlex.Zolvantek.desktop"


def zolvantek(*args: str, env: dict[str, str], timeout: float = 20) -> subprocess.CompletedProcess:
    return subprocess.run([str(PROGRAM), *args], env=env, capture_output=True, text=True,
                          timeout=timeout, stdin=subprocess.DEVNULL)


class WithoutADisplay(unittest.TestCase):
    def setUp(self):
        self.root = Path(tempfile.mkdtemp(prefix="zolvantek-cli-"))
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        self.env.update(XDG_CONFIG_HOME=str(self.root / "config"),
                        XDG_RUNTIME_DIR=str(self.root), HOME=str(self.root))

    def tearDown(self):
        subprocess.run(["rm", "-rf", str(self.root)], check=False)

    def test_help_and_version_print_and_end(self):
        for option in ("--help", "-h"):
            done = zolvantek(option, env=self.env)
            self.assertEqual((done.returncode, done.stderr), (0, ""), option)
            self.assertIn("Usage:", done.stdout)
            self.assertIn("--autostart <on|off>", done.stdout)
        for option in ("--version", "-v"):
            done = zolvantek(option, env=self.env)
            self.assertEqual((done.returncode, done.stdout, done.stderr), (0, "ZOLVANTEK 2.030\n", ""))

    def test_what_it_does_not_know_prints_the_usage_and_ends_with_2(self):
        for args in (["--bogus"], ["-x"], ["stray"], ["--autostart", "maybe"], ["--autostart"],
                     ["--help-all"], ["-platform", "offscreen"]):
            done = zolvantek(*args, env=self.env)
            self.assertEqual((done.returncode, done.stdout), (2, ""), args)
            self.assertIn("Usage:", done.stderr, args)

    def test_autostart_on_writes_a_valid_entry_for_this_program_and_off_removes_it(self):
        entry = self.root / "config" / "autostart" / ENTRY
        for _ in range(2):  # on twice: still one valid entry
            done = zolvantek("--autostart", "on", env=self.env)
            self.assertEqual(done.returncode, 0, done.stderr)
            self.assertIn(str(entry), done.stdout)
        lines = entry.read_text().splitlines()
        self.assertIn(f"Exec={PROGRAM.resolve()}", lines)
        self.assertIn(f"TryExec={PROGRAM.resolve()}", lines)
        validated = subprocess.run(["desktop-file-validate", str(entry)], capture_output=True, text=True)
        self.assertEqual(validated.returncode, 0, validated.stdout + validated.stderr)
        for _ in range(2):  # off when already off is fine too
            done = zolvantek("--autostart", "off", env=self.env)
            self.assertEqual(done.returncode, 0, done.stderr)
            self.assertFalse(entry.exists())
        # A place that cannot hold the entry: said so, and a failure.
        self.env["XDG_CONFIG_HOME"] = str(self.root / "a-file")
        (self.root / "a-file").write_text("x")
        done = zolvantek("--autostart", "on", env=self.env)
        self.assertEqual(done.returncode, 1)
        self.assertIn("could not turn autostart on", done.stderr)

    def test_without_a_display_it_says_so_and_ends_with_1(self):
        unused = next(f":{n}" for n in range(4000 + os.getpid() % 1000, 6000)
                      if not Path(f"/tmp/.X11-unix/X{n}").exists())
        for extra in ({}, {"QT_QPA_PLATFORM": "xcb"}, {"DISPLAY": unused},
                      {"DISPLAY": unused, "WAYLAND_DISPLAY": "wayland-none"}):
            done = zolvantek(env={**self.env, **extra})
            self.assertEqual((done.returncode, done.stdout, done.stderr.splitlines()[-1:]),
                             (1, "", [NO_DISPLAY.strip()]), extra)
        # Any other reason Qt gives up for is told in its own words.
        done = zolvantek(env={**self.env, "QT_QPA_PLATFORM": "none-such"})
        self.assertEqual(done.returncode, 1)
        self.assertIn('qt.qpa.plugin: Could not find the Qt platform plugin "none-such"', done.stderr)
        # A session manager's restore goes as far as the display, like a plain start.
        done = zolvantek("-session", "1a2b3c", env=self.env)
        self.assertEqual((done.returncode, done.stderr), (1, NO_DISPLAY))
        # A platform that needs no display still starts (the widget tests rely on it).
        program = subprocess.Popen([str(PROGRAM)], env={**self.env, "QT_QPA_PLATFORM": "offscreen"},
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            with self.assertRaises(subprocess.TimeoutExpired):
                program.wait(timeout=2)
        finally:
            program.kill()
            program.wait()


class OneInstancePerSession(ProgramInTray):
    @classmethod
    def settings_for(cls, root: Path) -> str:
        return ""

    def second_start(self) -> tuple[subprocess.CompletedProcess, float]:
        env = {**self.desk.session_env(), "QT_QPA_PLATFORM": "xcb"}
        began = time.monotonic()
        done = zolvantek(env=env, timeout=10)
        return done, time.monotonic() - began

    def test_a_second_start_ends_at_once_and_leaves_the_first_alone(self):
        first = self.desk.program.pid
        icon = self.desk.icon_window()
        took = []
        for _ in range(5):
            done, seconds = self.second_start()
            took.append(seconds)
            self.assertEqual((done.returncode, done.stdout), (0, "ZOLVANTEK is already running.\n"))
        print(f"second start exited after {sorted(took)[2] * 1000:.0f} ms (median of 5)")
        self.assertTrue(self.desk.program_running())
        self.assertEqual(self.desk.program.pid, first)
        self.assertEqual(self.desk.icon_window(), icon)
        self.assertIsNotNone(self.desk.press("left"), "the first instance no longer answers")
        self.desk.close_popup()

    def test_zz_a_killed_first_instance_does_not_block_the_next_start(self):
        os.kill(self.desk.program.pid, signal.SIGKILL)
        self.desk.wait_program_exit(10)
        self.desk.start_program([str(PROGRAM)])  # waits until its icon is in the tray
        done, _ = self.second_start()
        self.assertEqual(done.stdout, "ZOLVANTEK is already running.\n")


if __name__ == "__main__":
    run()
