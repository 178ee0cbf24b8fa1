"""Measures, on the end-to-end desktop, the time from choosing a PROGRAMS item (the Return
key that chooses it is sent) to the started program running (its first command reads the
clock). Prints every run and the median; asserts nothing about speed.

Run: ZOLVANTEK_BIN=build/tray/zolvantek /usr/bin/python3 tests/e2e/launch_timing.py [runs]
"""

import statistics
import sys
import time

from e2e_support import ARTIFACTS, PROGRAM, Desktop, write_settings
from launch_support import Stubs, highlight, take_log


def main() -> int:
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 15
    stubs = Stubs()
    try:
        with Desktop(ARTIFACTS / "launch-timing") as desk:
            write_settings(desk, f"[Directories]\nDirP1=Recorder | {stubs.program} | -x | Normal\n")
            desk.start_program([str(PROGRAM)], path_prepend=[str(stubs.bin)])
            times, keys = [], []
            for run in range(runs):
                if desk.press("left") is None:
                    raise SystemExit("no popup after a left press")
                highlight(desk, "Recorder")
                chosen = time.time()
                desk.key("Return")
                keys.append((time.time() - chosen) * 1000.0)
                ran = take_log(stubs.program_log)
                if ran is None:
                    raise SystemExit(f"run {run + 1}: the program did not start")
                times.append((ran[0] - chosen) * 1000.0)
                print(f"run {run + 1:2}: {times[-1]:6.1f} ms (xdotool itself took {keys[-1]:.1f} ms)")
                desk.wait_popup_closed()
                time.sleep(0.6)  # no double click with the next press
            print(f"median of {runs}: {statistics.median(times):.1f} ms "
                  f"(min {min(times):.1f}, max {max(times):.1f}); "
                  f"median xdotool run {statistics.median(keys):.1f} ms")
    finally:
        stubs.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
