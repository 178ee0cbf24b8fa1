"""The benchmarks' private session: the desktop session of the end-to-end tests
(tests/e2e/desktop_session.py: Xvfb, a private D-Bus session bus, a tray host) without
the accessibility agent, so that accessibility does not skew the timings. Nothing here
measures: the waits only set the stage, and the watcher (bench_xwatch) reports the tray
host's readiness from X events.
"""

from __future__ import annotations

import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
from desktop_session import SCREEN, Session, SessionError, reap_orphans, stop_pid  # noqa: E402,F401

DesktopError = SessionError


class Desktop(Session):
    def __init__(self, xwatch: str, workdir: Path | None = None, tray: str = "trayer"):
        super().__init__(workdir, None, "ZOLVANTEK_BENCH_SESSION", SCREEN)
        self.xwatch = xwatch
        self.tray_host = tray

    # The names the benchmark driver uses.
    logs = property(lambda self: self.logs_dir)
    home = property(lambda self: self.home_dir)
    config = property(lambda self: self.config_dir)
    bus = property(lambda self: self.bus_address)

    def start(self) -> None:
        super().start()
        self.start_tray(self.tray_host)
        subprocess.run([self.xwatch, "wait-tray"], env=self.env(), check=True,
                       stdout=subprocess.DEVNULL, timeout=30)

    def env(self) -> dict[str, str]:
        env = super().env()
        env["QT_QPA_PLATFORM"] = "xcb"
        return env
