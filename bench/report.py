#!/usr/bin/env python3
"""Turns results.json into results.md (a Markdown table of every figure against its
baseline and target) and chart.png (gnuplot, when it is installed).

    report.py RESULTS_JSON OUT_DIR
"""

from __future__ import annotations

import json
import math
import shutil
import statistics
import subprocess
import sys
from pathlib import Path

PROGRAM = "ZOLVANTEK"
MENUS = {"left": "PROGRAMS (left)", "right": "WINDOWS EXPLORER (right)"}
UNRELATED = ["0", "10", "1000", "100000"]


def stats(values: list[float]) -> tuple[float, float, float] | None:
    if not values:
        return None
    return statistics.median(values), min(values), max(values)


def cell(values: list[float], digits: int = 1) -> str:
    s = stats(values)
    if s is None:
        return "n/a"
    med, lo, hi = s
    return f"{med:.{digits}f} ({lo:.{digits}f}–{hi:.{digits}f})"


def median(values: list[float]) -> float:
    return statistics.median(values) if values else math.nan


def verdict(ok: bool | None) -> str:
    return "n/a" if ok is None else ("**met**" if ok else "**not met**")


def settings_times(results: dict, variant: str, unrelated: str) -> list[float]:
    return results["settings_us"].get(f"{variant}/unrelated:{unrelated}", [])


def growth_slope(results: dict, variant: str) -> float:
    """Slope of log(cost) against log(keys) from 1,000 to 100,000 unrelated keys: 1 is
    linear, below 1 is fixed costs still showing."""
    small = median(settings_times(results, variant, "1000"))
    large = median(settings_times(results, variant, "100000"))
    if not (small > 0 and large > 0):
        return math.nan
    return math.log(large / small) / math.log(100)


def build_rows(r: dict) -> tuple[list[list[str]], list[tuple[str, float]]]:
    """The table rows, and each target's figure as a share of its limit (for the chart).
    A measure without figures (a phase left out) shows n/a and is judged n/a."""
    rows: list[list[str]] = []
    shares: list[tuple[str, float]] = []

    def add(measure, prog, base, compare, target, ok):
        rows.append([measure, prog, base, compare, target, verdict(ok)])

    def both(p, b):
        return bool(p) and bool(b)

    p, b = r["startup_ms"]["program"], r["startup_ms"]["baseline"]
    ratio = median(p) / median(b) if both(p, b) else math.nan
    add("Start-up: exec → icon embedded (ms)", cell(p), cell(b), f"{ratio:.2f}×", "≤ 1.15×",
        ratio <= 1.15 if both(p, b) else None)
    shares.append(("start-up ratio", ratio / 1.15))

    # The target is on resident memory (RSS); PSS and the private part (USS) are shown
    # beside it. PSS moves with whatever else maps the same libraries on the machine.
    for key, label, judged in (("rss_mib", "RSS", True), ("pss_mib", "PSS", False),
                               ("uss_mib", "private (USS)", False)):
        p, b = r.get(key, {}).get("program", []), r.get(key, {}).get("baseline", [])
        diff = median(p) - median(b) if both(p, b) else math.nan
        add(f"Memory 2 s after start, {label} (MiB)", cell(p, 2), cell(b, 2), f"{diff:+.2f} MiB",
            "≤ baseline + 3 MiB" if judged else "—", diff <= 3.0 if judged and both(p, b) else None)
        if judged:
            shares.append((f"{label} over baseline", max(diff, 0) / 3.0))

    seconds = r["counts"]["idle_seconds"]
    p, b = r["wakeups"]["program"], r["wakeups"]["baseline"]
    add(f"Wakeups in {seconds:g} s idle (context switches)", cell(p, 0), cell(b, 0),
        f"{median(p) - median(b):+.0f}" if both(p, b) else "n/a", "0 in every run",
        max(p) == 0 if p else None)

    for kind, title in (("popup_ms", "later presses"), ("popup_first_ms", "first popup after start")):
        for button, menu in MENUS.items():
            p, b = r[kind]["program"][button], r[kind]["baseline"][button]
            ratio = median(p) / median(b) if both(p, b) else math.nan
            add(f"Press → popup, {menu}, {title} (ms)", cell(p, 2), cell(b, 2), f"{ratio:.2f}×",
                "≤ 1.2× and < 16 ms", ratio <= 1.2 and median(p) < 16.0 if both(p, b) else None)
            short = f"{'first ' if kind == 'popup_first_ms' else ''}{button} popup"
            shares.append((f"{short} ratio", ratio / 1.2))
            shares.append((f"{short} vs 16 ms", median(p) / 16.0))

    # On xfce4-panel's notification area (StatusNotifierItem): the left press pops PROGRAMS
    # here; the right press shows the exported menu, drawn by the panel. The baseline pops
    # its one menu on a left press; on the right press it has nothing exported to show.
    sni = r.get("sni_popup_ms", {})
    b = sni.get("baseline", {}).get("left", [])
    for button, menu in MENUS.items():
        p = sni.get("program", {}).get(button, [])
        ratio = median(p) / median(b) if both(p, b) else math.nan
        drawn = " drawn by the panel" if button == "right" else ""
        add(f"Press → popup on xfce4-panel (StatusNotifierItem), {menu}{drawn} (ms); "
            "baseline: its left press", cell(p, 2), cell(b, 2), f"{ratio:.2f}×", "—", None)

    p, b = r["launch_ms"]["program"], r["launch_ms"]["baseline"]
    diff = median(p) - median(b) if both(p, b) else math.nan
    add("Choice → program running (ms); baseline: posix_spawn", cell(p, 2), cell(b, 2),
        f"{diff:+.2f} ms", "< baseline + 5 ms", diff < 5.0 if both(p, b) else None)
    shares.append(("launch over spawn", max(diff, 0) / 5.0))

    for unrelated in UNRELATED:
        p = settings_times(r, "Load40/program", unrelated)
        b = settings_times(r, "Load40/qsettings", unrelated)
        ratio = median(p) / median(b) if both(p, b) else math.nan
        first = unrelated == "0"
        label = "Load both lists, 40 slots (µs)" if first else \
            f"Load 40 slots, {int(unrelated):,} unrelated keys (µs)"
        add(label, cell(p), cell(b), f"{ratio:.2f}×", "≤ 2×" if first else "—",
            ratio <= 2.0 if first and both(p, b) else None)
        if first:
            shares.append(("Load ratio", ratio / 2.0))
    slope = growth_slope(r, "Load40/program")
    add("Load growth, 1,000 → 100,000 unrelated keys (log-log slope)", f"{slope:.2f}",
        f"{growth_slope(r, 'Load40/qsettings'):.2f}", "1.00 = linear", "≤ 1.1 (linear)",
        None if math.isnan(slope) else slope <= 1.1)
    shares.append(("Load growth slope", slope / 1.1))
    p = settings_times(r, "Save20/program", "0")
    b = settings_times(r, "Save20/qsettings", "0")
    add("Save one list, 20 slots (µs)", cell(p), cell(b),
        f"{median(p) / median(b):.2f}×" if both(p, b) else "n/a", "—", None)
    return rows, [(label, share) for label, share in shares if not math.isnan(share)]


def markdown(r: dict, rows: list[list[str]]) -> str:
    m, c = r["machine"], r["counts"]
    lines = [
        "# ZOLVANTEK benchmark results", "",
        f"{m['date']} · {m['cpu']} · {m['cores']} cores · Linux {m['kernel']}"
        + (" · **smoke run: one iteration each, not figures**" if r.get("smoke") else ""), "",
        "Each cell: median (min–max). Baselines, measured in the same run: a minimal Qt tray "
        "program (one QSystemTrayIcon, one QMenu of 20 items) for start-up, memory, wakeups and "
        "popups; the same child started by posix_spawn for the launch; plain QSettings "
        "(IniFormat) reading and writing the same keys for the stored lists.", "",
        "| Measure | ZOLVANTEK | Baseline | ZOLVANTEK vs baseline | Target | Result |",
        "|---|---|---|---|---|---|",
    ]
    lines += ["| " + " | ".join(row) + " |" for row in rows]
    lines += [
        "",
        f"Runs: {c['runs']} fresh starts of each program (start-up, memory, first popup: left and right menu in turn); "
        f"{c['presses']} later presses per menu; {c['launches']} launches; {c['idle_runs']} idle "
        f"windows of {c['idle_seconds']:g} s; {c['settings_repetitions']} Google Benchmark "
        "repetitions.",
        "",
    ]
    woken = {t for runs in r["wakeups_by_thread"]["program"] for t in runs}
    if woken:
        lines.append("Threads of ZOLVANTEK that woke while idle: "
                     + ", ".join(sorted({t.split(':', 1)[1] for t in woken})) + ".")
        lines.append("")
    return "\n".join(lines)


# --------------------------------------------------------------------------- chart ----

def write_bars(path: Path, groups: list[tuple[str, list[float], list[float]]]) -> None:
    with open(path, "w") as f:
        for label, prog, base in groups:
            sp, sb = stats(prog) or (0, 0, 0), stats(base) or (0, 0, 0)
            f.write(f'"{label}" {sp[0]} {sp[1]} {sp[2]} {sb[0]} {sb[1]} {sb[2]}\n')


def chart(r: dict, shares: list[tuple[str, float]], out: Path) -> Path | None:
    if shutil.which("gnuplot") is None:
        print("report: gnuplot is not installed, no chart", file=sys.stderr)
        return None
    data = out / "chart-data"
    data.mkdir(exist_ok=True)
    write_bars(data / "startup.dat", [("start-up", r["startup_ms"]["program"],
                                       r["startup_ms"]["baseline"])])
    popups = []
    for kind, when in (("popup_ms", "later"), ("popup_first_ms", "first")):
        for button in MENUS:
            popups.append((f"{button} {when}", r[kind]["program"][button],
                           r[kind]["baseline"][button]))
    write_bars(data / "popup.dat", popups)
    write_bars(data / "launch.dat", [("choice to start", r["launch_ms"]["program"],
                                      r["launch_ms"]["baseline"])])
    write_bars(data / "memory.dat", [(label, r[key]["program"], r[key]["baseline"])
                                     for key, label in (("rss_mib", "RSS"), ("pss_mib", "PSS"),
                                                        ("uss_mib", "USS"))])
    write_bars(data / "wakeups.dat", [("idle", r["wakeups"]["program"], r["wakeups"]["baseline"])])
    write_bars(data / "lists.dat", [
        ("Load 40", settings_times(r, "Load40/program", "0"),
         settings_times(r, "Load40/qsettings", "0")),
        ("Save 20", settings_times(r, "Save20/program", "0"),
         settings_times(r, "Save20/qsettings", "0"))])
    with open(data / "growth.dat", "w") as f:
        for i, u in enumerate(UNRELATED):
            row = [median(settings_times(r, v, u)) for v in
                   ("Load40/program", "Load40/qsettings")]
            f.write(f'{i} "{int(u):,}" ' + " ".join(f"{x}" for x in row) + "\n")
    with open(data / "shares.dat", "w") as f:
        for label, share in shares:
            # A log axis has no zero: figures at or under the baseline sit on its floor.
            f.write(f'"{label}" {max(share, 0.01)}\n')

    idle = r["counts"]["idle_seconds"]
    # A decade above the largest share, so the line at 1 never sits on the frame.
    share_top = 10 ** math.ceil(math.log10(max([1.2, *(1.2 * v for _, v in shares)])))
    # Zero wakeups is the goal: keep an axis to show the zero on.
    wake_top = max([1, *r["wakeups"]["program"], *r["wakeups"]["baseline"]]) * 1.2
    spawn_title = "posix\\_spawn"  # gnuplot reads a bare underscore as a subscript
    png = out / "chart.png"
    bars = ("set style data histogram\nset style histogram errorbars gap 1.5 lw 1.2\n"
            "set style fill solid 0.85 border -1\nset boxwidth 0.9\nset yrange [0:*]\n"
            "set key below\nset grid ytics\n")
    two = ("plot '{f}' using 2:3:4:xtic(1) title 'ZOLVANTEK' lc rgb '#d95f02', "
           "'' using 5:6:7 title '{b}' lc rgb '#7570b3'\n")
    script = f"""
set terminal pngcairo size 1800,900 font 'DejaVu Sans,10'
set output '{png}'
set multiplot layout 2,4 title "ZOLVANTEK against its baselines, one run (median, bars min–max)" font ',13'
{bars}
set title 'Start-up: exec → icon in tray (ms)'
{two.format(f=data / 'startup.dat', b='minimal Qt tray')}
set title 'Press → popup (ms); line: one frame'
set arrow 1 from graph 0, first 16 to graph 1, first 16 nohead dt 2 lc rgb '#1b9e77' lw 2
{two.format(f=data / 'popup.dat', b='minimal Qt tray')}
unset arrow 1
set title 'Choice → program running (ms)'
{two.format(f=data / 'launch.dat', b=spawn_title)}
set title 'Memory 2 s after start (MiB)'
{two.format(f=data / 'memory.dat', b='minimal Qt tray')}
set title 'Wakeups in {idle:g} s idle'
set yrange [0:{wake_top}]
{two.format(f=data / 'wakeups.dat', b='minimal Qt tray')}
set title 'Stored lists (µs, log scale)'
set logscale y
set yrange [*:*]
{two.format(f=data / 'lists.dat', b='plain QSettings')}
unset logscale y
set title 'Load 40 slots by unrelated keys (µs, log scale)'
set style data linespoints
set logscale y
set xrange [-0.3:3.3]
set key below
plot '{data / 'growth.dat'}' using 1:3:xtic(2) title 'ZOLVANTEK' lc rgb '#d95f02' lw 2 pt 7, \\
     '' using 1:4 title 'plain QSettings' lc rgb '#7570b3' lw 2 pt 5
unset logscale y
set xrange [*:*]
set title 'Each target: figure / limit, log scale (below the line: met)'
set style data histogram
set style histogram clustered
set style fill solid 0.85 border -1
set xtics rotate by 45 right font ',8'
set logscale y
set yrange [0.01:{share_top:g}]
set arrow 2 from graph 0, first 1 to graph 1, first 1 nohead lc rgb '#e7298a' lw 2
plot '{data / 'shares.dat'}' using 2:xtic(1) notitle lc rgb '#d95f02'
unset multiplot
"""
    (data / "chart.gp").write_text(script)
    done = subprocess.run(["gnuplot", str(data / "chart.gp")], stderr=subprocess.PIPE, text=True)
    # Gnuplot warns about panels that are all zero (no wakeups): only a failure counts.
    if done.returncode != 0:
        print(done.stderr, file=sys.stderr)
        # A run that left phases out has empty panels; a whole run must chart cleanly.
        if set(r.get("phases", [])) >= {"settings", "startup", "popups", "launch", "idle"}:
            raise RuntimeError("gnuplot failed")
        return None
    return png


def main() -> int:
    results = json.loads(Path(sys.argv[1]).read_text())
    out = Path(sys.argv[2])
    rows, shares = build_rows(results)
    (out / "results.md").write_text(markdown(results, rows))
    png = chart(results, shares, out)
    print(f"report: {out / 'results.md'}" + (f" and {png}" if png else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main())
