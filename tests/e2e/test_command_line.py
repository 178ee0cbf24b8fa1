"""The real program's command line, which needs no desktop: the options and their exit
codes, the message without a display, and one instance per session."""

import os
import subprocess

import pytest

from conftest import PROGRAM
from session import wait_for

NO_DISPLAY = "ZOLVANTEK needs a graphical desktop session (no display found).\n"


@pytest.fixture
def env(tmp_path):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    env.update(XDG_CONFIG_HOME=str(tmp_path / "config"), XDG_RUNTIME_DIR=str(tmp_path), HOME=str(tmp_path))
    return env


def run(*args: str, env: dict) -> tuple[int, str, str]:
    done = subprocess.run([str(PROGRAM), *args], env=env, capture_output=True, text=True, timeout=20,
                          stdin=subprocess.DEVNULL)
    return done.returncode, done.stdout, done.stderr


@pytest.mark.parametrize("args, code", [
    (["--version"], 0), (["-v"], 0), (["--help"], 0), (["-h"], 0),
    (["--bogus"], 2), (["-x"], 2), (["stray"], 2), (["--autostart", "offline"], 2), (["--autostart"], 2),
    (["--show", "everything"], 2), (["--help-all"], 2), (["-platform", "offscreen"], 2)])
def test_options_end_with_their_code_and_what_is_unknown_prints_the_usage(env, args, code):
    status, out, err = run(*args, env=env)
    assert status == code
    if code == 2:
        assert out == "" and "Usage:" in err
    elif args[0] in ("--version", "-v"):
        assert (out, err) == ("ZOLVANTEK 2.030\n", "")
    else:
        assert err == "" and "Usage:" in out and "--autostart <on|off>" in out


# Any other reason Qt gives up for is told in its own words.
@pytest.mark.parametrize("args, extra, said", [
    ([], {}, NO_DISPLAY), ([], {"DISPLAY": ":65533"}, NO_DISPLAY), (["-session", "1a2b3c"], {}, NO_DISPLAY),
    ([], {"DISPLAY": ":65533", "WAYLAND_DISPLAY": "wayland-none"}, NO_DISPLAY),
    ([], {"QT_QPA_PLATFORM": "none-such"}, 'qt.qpa.plugin: Could not find the Qt platform plugin "none-such"')])
def test_without_a_display_it_says_why_and_ends_with_1(env, args, extra, said):
    status, out, err = run(*args, env={**env, **extra})
    assert (status, out, said in err, err.endswith(NO_DISPLAY)) == (1, "", True, said == NO_DISPLAY)


def test_autostart_on_names_this_program_in_a_valid_entry_and_off_removes_it(env, tmp_path):
    entry = tmp_path / "config" / "autostart" / "com.brindlex.Zolvantek.desktop"
    status, out, _ = run("--autostart", "on", env=env)
    assert status == 0 and str(entry) in out
    fields = dict(line.split("=", 1) for line in entry.read_text().splitlines() if "=" in line)
    assert (fields["Exec"], fields["TryExec"]) == (str(PROGRAM.resolve()), str(PROGRAM.resolve()))
    assert subprocess.run(["desktop-file-validate", str(entry)], capture_output=True, text=True).stdout == ""
    assert run("--autostart", "off", env=env)[0] == 0 and not entry.exists()
    (tmp_path / "a-file").write_text("x")
    status, _, err = run("--autostart", "on", env={**env, "XDG_CONFIG_HOME": str(tmp_path / "a-file")})
    assert status == 1 and "could not turn autostart on" in err


def test_a_second_start_in_the_session_says_so_and_ends_leaving_the_first(env):
    # A platform without a display is enough: the lock comes before any window. (That a
    # killed instance leaves no lock is the unit tests' SingleInstancePosix.)
    env["QT_QPA_PLATFORM"] = "offscreen"
    first = subprocess.Popen([str(PROGRAM)], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    try:
        wait_for(lambda: os.path.exists(f"{env['XDG_RUNTIME_DIR']}/com.brindlex.Zolvantek.lock"), 10, "the lock")
        assert run(env=env) == (0, "ZOLVANTEK is already running.\n", "")
        assert first.poll() is None
    finally:
        first.kill()
        first.wait()
