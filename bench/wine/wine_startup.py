#!/usr/bin/env python3
"""Windows start-up under Wine: from starting the .exe to its icon sitting in the tray
(trayer), for zolvantek.exe beside a bare Qt tray program built the same way, taken in
turns in one Wine prefix and one X server. Writes startup.md and startup.json to --out.

Each program is started once before measuring, so that neither pays for Wine's desktop
process or the first read of its file; each run ends the program before the next."""

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


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--zolvantek", required=True, type=Path)
    parser.add_argument("--baseline", required=True, type=Path)
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--out", required=True, type=Path)
    args = parser.parse_args()
    args.out.mkdir(parents=True, exist_ok=True)

    programs = {"zolvantek.exe": args.zolvantek, "baseline_tray.exe": args.baseline}
    times: dict[str, list[float]] = {name: [] for name in programs}
    with Desktop(args.out / "artifacts") as desk:
        desk.start_tray("trayer")  # before Wine boots: its tray then docks there
        with WinePrefix(desk) as wine:
            installed = {name: rf"C:\bench\{name}" for name in programs}
            for name, exe in programs.items():
                wine.install(exe, installed[name])
                start_to_dock(wine, installed[name])  # warm-up, not counted
            for _ in range(args.runs):
                for name, target in installed.items():
                    times[name].append(start_to_dock(wine, target))

    medians = {name: statistics.median(values) for name, values in times.items()}
    (args.out / "startup.json").write_text(json.dumps(times, indent=2))
    lines = ["# Windows start-up under Wine (exec to icon docked in trayer)", "",
             f"{args.runs} runs each, taken in turns; median and range in seconds.", "",
             "| program | median | fastest | slowest |", "|---|---|---|---|"]
    for name, values in times.items():
        lines.append(f"| {name} | {medians[name]:.2f} | {min(values):.2f} | {max(values):.2f} |")
    ratio = medians["zolvantek.exe"] / medians["baseline_tray.exe"]
    lines += ["", f"zolvantek.exe / baseline: {ratio:.2f}"]
    (args.out / "startup.md").write_text("\n".join(lines) + "\n")
    print("\n".join(lines))
    return 0


if __name__ == "__main__":
    sys.exit(main())
