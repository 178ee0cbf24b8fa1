"""A private X session for the benchmarks: Xvfb, a private D-Bus session bus and trayer.

The recipe is the end-to-end tests' one (tests/e2e/harness.py): a display found with
-displayfd, a session bus of our own with no StatusNotifierWatcher on it (so Qt docks its
icon with XEmbed), trayer as the XEmbed tray host. Nothing here measures: the waits in
this file only set the stage, and the watcher (bench_xwatch) reports the tray host's
readiness from X events.
"""

from __future__ import annotations

import ctypes
import os
import re
import select
import shutil
import signal
import subprocess
import tempfile
import time
import uuid
from pathlib import Path

SCREEN = (1024, 768)
TRAYER_ARGS = ("--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "160",
               "--height", "32", "--transparent", "false", "--expand", "false")
_MARKER_VAR = "ZOLVANTEK_BENCH_SESSION"
# The caller's own desktop must not leak into the private one.
_FOREIGN_VARS = re.compile(
    r"^(DISPLAY|WAYLAND_DISPLAY|WAYLAND_SOCKET|DBUS_SESSION_BUS_ADDRESS|AT_SPI_BUS_ADDRESS"
    r"|XDG_RUNTIME_DIR|XDG_SESSION_.*|XDG_CURRENT_DESKTOP|DESKTOP_SESSION|SESSION_MANAGER"
    r"|XAUTHORITY|QT_.*|GTK_MODULES|NO_AT_BRIDGE)$")


class DesktopError(RuntimeError):
    pass


def _die_with_parent() -> None:
    # If the driver is killed outright (a runner's time-out), its servers go with it.
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None).prctl(PR_SET_PDEATHSIG, signal.SIGKILL, 0, 0, 0)


def _become_subreaper() -> None:
    # Programs the watcher starts, and the children they start detached, end up ours, so
    # they are reaped here rather than left as zombies.
    PR_SET_CHILD_SUBREAPER = 36
    ctypes.CDLL(None).prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)


def _read_line(fd: int, timeout: float, proc: subprocess.Popen) -> str:
    data = b""
    end = time.monotonic() + timeout
    while b"\n" not in data and proc.poll() is None:
        left = end - time.monotonic()
        if left <= 0:
            break
        ready, _, _ = select.select([fd], [], [], left)
        if ready:
            chunk = os.read(fd, 4096)
            if not chunk:
                break
            data += chunk
    return data.decode(errors="replace").strip()


def reap_orphans(keep: set[int] = frozenset()) -> None:
    """Reaps finished processes that were handed to us as subreaper."""
    me = os.getpid()
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) in keep:
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if fields[0] == "Z" and int(fields[1]) == me:
            try:
                os.waitpid(int(entry), os.WNOHANG)
            except ChildProcessError:
                pass


def stop_pid(pid: int, grace: float = 3.0) -> None:
    """Ends a program that a watcher started in a session of its own, and reaps it."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(pid, sig)
        except ProcessLookupError:
            return
        end = time.monotonic() + grace
        while time.monotonic() < end:
            try:
                done, _ = os.waitpid(pid, os.WNOHANG)
            except ChildProcessError:
                done = pid  # not ours to reap: it is gone once the group is empty
                try:
                    os.killpg(pid, 0)
                    done = 0
                except ProcessLookupError:
                    pass
            if done == pid:
                return
            time.sleep(0.02)


class Desktop:
    def __init__(self, xwatch: str, workdir: Path | None = None):
        self.xwatch = xwatch
        self._own_workdir = workdir is None
        self.workdir = Path(workdir or tempfile.mkdtemp(prefix="zolvantek-bench-"))
        self.logs = self.workdir / "logs"
        self.home = self.workdir / "home"
        self.config = self.home / ".config"
        self.runtime = self.workdir / "runtime"
        self.display = ""
        self.bus = ""
        self._marker = uuid.uuid4().hex
        self._procs: list[subprocess.Popen] = []
        self._logs: list = []

    def __enter__(self) -> "Desktop":
        try:
            self.start()
        except BaseException:
            self.close()
            raise
        return self

    def __exit__(self, *exc) -> None:
        self.close()

    def start(self) -> None:
        for tool in ("Xvfb", "trayer", "xdotool", "dbus-daemon"):
            if shutil.which(tool) is None:
                raise DesktopError(f"{tool} is not installed")
        _become_subreaper()
        for d in (self.logs, self.home, self.config, self.runtime):
            d.mkdir(mode=0o700, parents=True, exist_ok=True)
        self.display = ":" + self._start_reporting(
            "xvfb", lambda fd: ["Xvfb", "-displayfd", str(fd), "-screen", "0",
                                f"{SCREEN[0]}x{SCREEN[1]}x24", "-nolisten", "tcp", "-noreset"],
            self._base_env())
        env = self._base_env()
        env["DISPLAY"] = self.display
        self.bus = self._start_reporting(
            "dbus", lambda fd: ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                                f"--print-address={fd}"], env)
        if not self.bus.startswith("unix:"):
            raise DesktopError(f"dbus-daemon reported no address: {self.bus!r}")
        trayer_env = self.env()
        trayer_env["NO_AT_BRIDGE"] = "1"
        self._spawn("trayer", ["trayer", *TRAYER_ARGS], trayer_env)
        subprocess.run([self.xwatch, "wait-tray"], env=self.env(), check=True,
                       stdout=subprocess.DEVNULL, timeout=30)

    def close(self) -> None:
        for proc in reversed(self._procs):
            if proc.poll() is None:
                try:
                    os.killpg(proc.pid, signal.SIGTERM)
                    proc.wait(timeout=3)
                except (ProcessLookupError, subprocess.TimeoutExpired):
                    try:
                        os.killpg(proc.pid, signal.SIGKILL)
                    except ProcessLookupError:
                        pass
                    proc.wait()
        self._procs.clear()
        self._sweep()
        for log in self._logs:
            log.close()
        self._logs.clear()
        if self._own_workdir:
            shutil.rmtree(self.workdir, ignore_errors=True)

    def _sweep(self) -> None:
        # Whatever D-Bus activation started carries our marker in its environment.
        needle = f"{_MARKER_VAR}={self._marker}".encode()
        for entry in os.listdir("/proc"):
            if not entry.isdigit() or int(entry) == os.getpid():
                continue
            try:
                with open(f"/proc/{entry}/environ", "rb") as f:
                    if needle in f.read().split(b"\0"):
                        os.kill(int(entry), signal.SIGKILL)
            except OSError:
                pass
        time.sleep(0.1)
        reap_orphans()

    def _base_env(self) -> dict[str, str]:
        env = {k: v for k, v in os.environ.items() if not _FOREIGN_VARS.match(k)}
        env.setdefault("LANG", "C.UTF-8")
        env[_MARKER_VAR] = self._marker
        env["XDG_RUNTIME_DIR"] = str(self.runtime)
        env["HOME"] = str(self.home)
        env["XDG_CONFIG_HOME"] = str(self.config)
        return env

    def env(self) -> dict[str, str]:
        """The session's environment, for the programs and the X tools."""
        env = self._base_env()
        env["DISPLAY"] = self.display
        env["DBUS_SESSION_BUS_ADDRESS"] = self.bus
        env["QT_QPA_PLATFORM"] = "xcb"
        return env

    def _spawn(self, name: str, argv: list[str], env: dict[str, str], **kw) -> subprocess.Popen:
        log = open(self.logs / f"{name}.log", "ab")
        self._logs.append(log)
        proc = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                start_new_session=True, preexec_fn=_die_with_parent, **kw)
        self._procs.append(proc)
        return proc

    def _start_reporting(self, name: str, argv_for_fd, env: dict[str, str]) -> str:
        """Starts a server that writes one line (its display, its address) to a pipe."""
        read_fd, write_fd = os.pipe()
        try:
            proc = self._spawn(name, argv_for_fd(write_fd), env, pass_fds=(write_fd,))
            os.close(write_fd)
            write_fd = -1
            line = _read_line(read_fd, 15.0, proc)
        finally:
            os.close(read_fd)
            if write_fd >= 0:
                os.close(write_fd)
        if not line:
            raise DesktopError(f"{name} did not report ready (see {self.logs / (name + '.log')})")
        return line
