#!/usr/bin/env python3
"""Windows start-up under Wine: from starting the .exe to its icon in the tray (trayer), for
zolvantek.exe beside a bare Qt tray program built the same way, taken in turns in one Wine
prefix on one X server. Each is started once first, so that neither pays for Wine's desktop
process or the first read of its file. Writes startup.md and startup.json to --out."""

import argparse
import json
import statistics
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests" / "wine"))
from wine_prefix import WINE, Desktop, WinePrefix, wait_for  # noqa: E402


def start_to_dock(wine: WinePrefix, exe: str) -> float:
    """Seconds from exec to a new icon in the tray; the program is ended afterwards."""
    before = len(wine.icons())
    started = time.monotonic()
    proc = wine.desk.spawn("program", [WINE, exe], wine.env)
    wait_for(lambda: len(wine.icons()) > before, 60, f"{exe} docking")
    elapsed = time.monotonic() - started
    proc.kill()
    proc.wait(10)
    wait_for(lambda: len(wine.icons()) == before, 30, f"{exe} leaving the tray")
    return elapsed


parser = argparse.ArgumentParser(description=__doc__)
for program in ("zolvantek", "baseline", "out"):
    parser.add_argument(f"--{program}", required=True, type=Path)
parser.add_argument("--runs", type=int, default=7)
args = parser.parse_args()
args.out.mkdir(parents=True, exist_ok=True)
times = {"zolvantek.exe": [], "baseline_tray.exe": []}
with Desktop(args.out / "artifacts") as desk:
    desk.start_tray("trayer")  # before Wine boots: its tray then docks there
    with WinePrefix(desk) as wine:
        for name, exe in zip(times, (args.zolvantek, args.baseline)):
            wine.install(exe, rf"C:\bench\{name}")
            start_to_dock(wine, rf"C:\bench\{name}")  # warm-up, not counted
        for _ in range(args.runs):
            for name, values in times.items():
                values.append(start_to_dock(wine, rf"C:\bench\{name}"))
(args.out / "startup.json").write_text(json.dumps(times, indent=2))
medians = {name: statistics.median(values) for name, values in times.items()}
lines = ["# Windows start-up under Wine (exec to icon docked in trayer)", "",
         f"{args.runs} runs each, taken in turns; median and range in seconds.", "",
         "| program | median | fastest | slowest |", "|---|---|---|---|",
         *(f"| {n} | {medians[n]:.2f} | {min(v):.2f} | {max(v):.2f} |" for n, v in times.items()),
         "", f"zolvantek.exe / baseline: {medians['zolvantek.exe'] / medians['baseline_tray.exe']:.2f}"]
(args.out / "startup.md").write_text("\n".join(lines) + "\n")
print("\n".join(lines))
