#!/usr/bin/env python3
"""The Windows figures into --out/results.md: start-up under Wine (exec to the icon in trayer)
of zolvantek.exe and of a bare Qt tray program built the same way, in turns, each started
once first so that neither pays for Wine's desktop process; and the download sizes."""

import argparse
import json
import sys
import time
from pathlib import Path
from statistics import median

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests" / "wine"))
from wine_prefix import WINE, Desktop, WinePrefix, wait_for  # noqa: E402


def start_to_dock(wine: WinePrefix, exe: str) -> float:
    """Seconds from exec to a new icon in the tray; the program is ended afterwards."""
    before = len(wine.icons())
    started = time.monotonic()
    proc = wine.desk.spawn("program", [WINE, exe], wine.env)
    # A tight look, not wait_for's 20 ms: the figure is a tenth of a second or so.
    while len(wine.icons()) <= before:
        if time.monotonic() - started > 60:
            raise RuntimeError(f"{exe} never docked")
        time.sleep(0.002)
    elapsed = time.monotonic() - started
    proc.kill()
    proc.wait(10)
    wait_for(lambda: len(wine.icons()) == before, 30, f"{exe} leaving the tray")
    return elapsed


parser = argparse.ArgumentParser(description=__doc__)
for program in ("zolvantek", "baseline", "setup", "zip", "out"):
    parser.add_argument(f"--{program}", required=True, type=Path)
parser.add_argument("--runs", type=int, default=21)
(args := parser.parse_args()).out.mkdir(parents=True, exist_ok=True)
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
mb = {name: getattr(args, name).stat().st_size / 1e6 for name in ("zolvantek", "baseline", "setup", "zip")}
(args.out / "results.json").write_text(json.dumps({"startup_s": times, "size_mb": mb}, indent=2))
ratio = median(times["zolvantek.exe"]) / median(times["baseline_tray.exe"])
cell = lambda values: f"{median(values):.3f} ({min(values):.3f}–{max(values):.3f})"  # noqa: E731

lines = ["# ZOLVANTEK on Windows: start-up under Wine and download sizes", "",
         f"Start-up: exec to icon docked in trayer, {args.runs} runs each taken in turns, median (min–max) "
         "in seconds. Sizes in MB (10⁶ bytes).", "",
         "| Measure | ZOLVANTEK | Baseline | ZOLVANTEK vs baseline | Target | Result |", "|---|---|---|---|---|---|",
         f"| Start-up under Wine (s) | {cell(times['zolvantek.exe'])} | {cell(times['baseline_tray.exe'])} "
         f"| {ratio:.2f}× | ≤ 1.10× | {'**met**' if ratio <= 1.10 else '**not met**'} |",
         f"| zolvantek.exe (MB) | {mb['zolvantek']:.2f} | {mb['baseline']:.2f} (bare Qt tray) "
         f"| {mb['zolvantek'] / mb['baseline']:.2f}× | ≤ 14 MB | {'**met**' if mb['zolvantek'] <= 14 else '**not met**'} |",
         f"| {args.setup.name} (MB) | {mb['setup']:.2f} | | | — | |",
         f"| {args.zip.name} (MB) | {mb['zip']:.2f} | | | — | |"]
(args.out / "results.md").write_text("\n".join(lines) + "\n")
print("\n".join(lines))
