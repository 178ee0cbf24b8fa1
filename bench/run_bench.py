#!/usr/bin/env python3
"""The benchmark suite into results.json and results.md: start-up, popups and launches from X
events (bench_xwatch) on a session.py desktop, memory 2 s after the start, wakeups over an
idle window, the stored lists with Google Benchmark. Sleeps here only pace the runs."""

import argparse
import json
import math
import os
import platform
import subprocess
import sys
import time
from pathlib import Path
from statistics import median

import psutil

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
from session import Desktop  # noqa: E402

BUTTONS = {"left": 1, "right": 3}
MENUS = {"left": "PROGRAMS (left)", "right": "WINDOWS EXPLORER (right)"}


def write_settings(desk: Desktop, child: str, fifo: str) -> None:
    """Both lists full: twenty folders and twenty programs, each program the launch child."""
    desk.write_settings("[Directories]\n" + "".join(f"Dir{n}=Folder {n} | /tmp | Explorer | Normal\n"
                                                    f"DirP{n}=Program {n} | {child} | {fifo} | Normal\n"
                                                    for n in range(1, 21)))


class Suite:
    def __init__(self, args: argparse.Namespace):
        self.args, self.programs = args, {"program": [args.zolvantek], "baseline": [args.baseline]}
        self.fifo = str(args.out / "launch.fifo")
        pair = lambda: {"program": [], "baseline": []}  # noqa: E731
        self.r = {key: pair() for key in ("startup_ms", "rss_mib", "pss_mib", "uss_mib", "launch_ms",
                                          "wakeups", "wakeups_by_thread", "sni_popup_ms", "show_ms")}
        for key in ("popup_first_ms", "popup_ms"):
            self.r[key] = {name: {b: [] for b in BUTTONS} for name in self.programs}

    def xwatch(self, desk: Desktop, *argv) -> dict[str, list[float]]:
        with open(desk.logs / "xwatch.log", "ab") as errors:
            out = subprocess.run([self.args.xwatch, *map(str, argv)], env=desk.env(), stdout=subprocess.PIPE,
                                 stderr=errors, timeout=120, check=True).stdout.decode()
        found: dict[str, list[float]] = {}
        for name, _, value in (line.partition(" ") for line in out.splitlines()):
            found.setdefault(name, []).append(float(value))
        return found

    def start(self, desk: Desktop, name: str) -> dict:
        found = self.xwatch(desk, "startup", *self.programs[name])
        return {"pid": int(found["pid"][0]), "start": found["start"][0], "ms": found["embedded_ms"][0],
                "window": desk.x.create_resource_object("window", int(found["window"][0]))}

    @staticmethod
    def stop(pid: int) -> None:
        psutil.Process(pid).terminate()
        psutil.Process(pid).wait(10)

    def popups(self, desk: Desktop, run: dict, button: str, repeat: int) -> list[float]:
        return self.xwatch(desk, "popup", run["pid"], BUTTONS[button], *self.at(desk, run), repeat)["popup_ms"]

    @staticmethod
    def at(desk: Desktop, run: dict) -> tuple[int, int]:
        return desk.box(run["window"]).center if "window" in run else run["at"]  # where the tray put it by now

    @staticmethod
    def switches(pid: int) -> dict[str, int]:  # so far, of every thread by its id and name
        return {f"{t.id}:{psutil.Process(t.id).name()}": sum(psutil.Process(t.id).num_ctx_switches())
                for t in psutil.Process(pid).threads()}

    def trayer(self) -> None:
        with Desktop(self.args.out / "desktop") as desk:
            desk.start_tray("trayer")
            write_settings(desk, self.args.child, self.fifo)
            self.startups(desk)
            self.later(desk)
            self.idle(desk)

    def startups(self, desk: Desktop) -> None:
        """Fresh starts in turns, so that drift hits both alike: start-up, memory 2 s after, the first
        popup of the left menu in one run, the right in the next (the baseline's one menu is new once)."""
        for name in self.programs:  # unmeasured: caches (fonts, libraries) warm up
            self.stop(self.start(desk, name)["pid"])
        for i in range(self.args.runs):
            button = list(BUTTONS)[i % 2]
            for name in self.programs:
                run = self.start(desk, name)
                self.r["startup_ms"][name].append(run["ms"])
                time.sleep(max(0.0, run["start"] + 2 - time.monotonic()))
                info = psutil.Process(run["pid"]).memory_full_info()  # RSS, PSS and USS from smaps_rollup
                for key in ("rss", "pss", "uss"):
                    self.r[f"{key}_mib"][name].append(getattr(info, key) / 2**20)
                self.r["popup_first_ms"][name][button] += self.popups(desk, run, button, 1)
                self.stop(run["pid"])
            print(f"[bench] start-up run {i + 1}/{self.args.runs}: {run['ms']:.1f} ms for the baseline")

    def later(self, desk: Desktop) -> None:
        for name in self.programs:
            run = self.start(desk, name)
            time.sleep(1.0)
            for button in BUTTONS:
                self.popups(desk, run, button, 1)  # the first popup is measured above
                self.r["popup_ms"][name][button] += self.popups(desk, run, button, self.args.presses)
            if name == "program":
                self.r["show_ms"]["program"] = self.xwatch(desk, "show", run["pid"], self.args.presses,
                                                           self.args.zolvantek, "--show", "programs")["popup_ms"]
                # The keyboard's way to the first program: Down twice, then Return.
                self.r["launch_ms"]["program"] = self.xwatch(desk, "launch", run["pid"], *self.at(desk, run),
                                                             self.args.launches, self.fifo, "Down", "Down")["launch_ms"]
                self.r["launch_ms"]["baseline"] = self.xwatch(desk, "spawn", self.args.child, self.fifo,
                                                              self.args.launches)["spawn_ms"]
            self.stop(run["pid"])

    def idle(self, desk: Desktop) -> None:
        """Both programs side by side, untouched: every context switch is a wakeup."""
        for i in range(self.args.idle_runs):
            runs = {name: self.start(desk, name) for name in self.programs}
            time.sleep(max(0.0, max(r["start"] for r in runs.values()) + 2 - time.monotonic()))
            before = {name: self.switches(r["pid"]) for name, r in runs.items()}
            time.sleep(self.args.idle_seconds)
            for name, run in runs.items():
                woken = {t: n - before[name].get(t, 0) for t, n in self.switches(run["pid"]).items()}
                self.r["wakeups"][name].append(sum(woken.values()))
                self.r["wakeups_by_thread"][name].append({t: n for t, n in woken.items() if n})
                self.stop(run["pid"])
            print(f"[bench] idle run {i + 1}: {self.r['wakeups']['program'][-1]} wakeups")

    def sni(self) -> None:
        """Later left presses on xfce4-panel's StatusNotifierItem: Activate pops PROGRAMS (the baseline its menu)."""
        with Desktop(self.args.out / "sni") as desk:
            desk.start_tray("xfce4-panel")
            write_settings(desk, self.args.child, self.fifo)
            for name, argv in self.programs.items():
                proc = desk.spawn(name, argv)
                desk.wait_icon(proc)
                time.sleep(1.0)  # the panel may still move the new icon: where it is after that
                run = {"pid": proc.pid, "at": desk.wait_icon(proc).center}
                # The first press after the start is measured with XEmbed above.
                self.r["sni_popup_ms"][name] = self.popups(desk, run, "left", self.args.presses + 1)[1:]
                self.stop(proc.pid)


def settings_benchmarks(args: argparse.Namespace) -> dict[str, list[float]]:
    """Google Benchmark's JSON, reduced to each benchmark's per-repetition times (µs)."""
    out = args.out / "settings.json"
    argv = [args.settings, f"--benchmark_out={out}", "--benchmark_out_format=json"]
    # A smoke run times each benchmark once, as briefly as it can.
    subprocess.run(argv + [f"--benchmark_repetitions={args.settings_repetitions}",
                           f"--benchmark_min_time={1e-6 if args.smoke else 0.5}"], check=True, stdout=subprocess.DEVNULL)
    times: dict[str, list[float]] = {}
    for b in json.loads(out.read_text())["benchmarks"]:
        if b.get("run_type") == "iteration" and not b.get("error_occurred"):
            times.setdefault(b["run_name"], []).append(b["real_time"] * {"ns": 1e-3, "us": 1, "ms": 1e3}[b["time_unit"]])
    return times


def cell(values: list[float], digits: int = 1) -> str:
    return f"{median(values):.{digits}f} ({min(values):.{digits}f}–{max(values):.{digits}f})"


def table(r: dict) -> str:
    """Every figure beside its baseline and its target."""
    rows = []

    def add(measure, p, b, by, target="—", limit=None, digits=1):
        """BY compares the two medians ("×" or "+"); LIMIT judges that comparison."""
        value = median(p) / median(b) if by == "×" else median(p) - median(b)
        shown = f"{value:.2f}×" if by == "×" else f"{value:+.{digits}f}"
        verdict = "n/a" if limit is None else ("**met**" if limit(value) else "**not met**")
        rows.append(f"| {measure} | {cell(p, digits)} | {cell(b, digits)} | {shown} | {target} | {verdict} |")

    def pair(key):
        return r[key]["program"], r[key]["baseline"]

    add("Start-up: exec → icon embedded (ms)", *pair("startup_ms"), "×", "≤ 1.15×", lambda v: v <= 1.15)
    add("Memory 2 s after start, RSS (MiB)", *pair("rss_mib"), "+", "≤ baseline + 3 MiB", lambda v: v <= 3, 2)
    add("Memory 2 s after start, PSS (MiB)", *pair("pss_mib"), "+", digits=2)
    add("Memory 2 s after start, private (USS) (MiB)", *pair("uss_mib"), "+", digits=2)
    p, _ = pair("wakeups")
    add(f"Wakeups in {r['counts']['idle_seconds']:g} s idle (context switches)", *pair("wakeups"), "+",
        "0 in every run", lambda v: max(p) == 0, 0)
    for key, when in (("popup_ms", "later presses"), ("popup_first_ms", "first popup after start")):
        for button, menu in MENUS.items():
            p = r[key]["program"][button]
            add(f"Press → popup, {menu}, {when} (ms)", p, r[key]["baseline"][button], "×", "≤ 1.2× and < 16 ms",
                lambda v: v <= 1.2 and median(p) < 16, 2)
    add("Press → popup on xfce4-panel (StatusNotifierItem), PROGRAMS (left) (ms)", *pair("sni_popup_ms"), "×",
        digits=2)
    add("`--show programs` → PROGRAMS mapped (ms); baseline: our left press", r["show_ms"]["program"],
        r["popup_ms"]["program"]["left"], "+", digits=2)
    add("Choice → program running (ms); baseline: posix_spawn", *pair("launch_ms"), "+", "< baseline + 5 ms",
        lambda v: v < 5, 2)
    lists = r["settings_us"]

    def load(variant, keys):
        return lists[f"Load40/{variant}/unrelated:{keys}"]
    add("Load both lists, 40 slots (µs)", load("program", 0), load("qsettings", 0), "×", "≤ 2×", lambda v: v <= 2)
    for keys in (10, 1000, 100000):
        add(f"Load 40 slots, {keys:,} unrelated keys (µs)", load("program", keys), load("qsettings", keys), "×")
    # The log-log slope from 1,000 to 100,000 keys: 1 is linear.
    slopes = [[math.log(median(load(v, 100000)) / median(load(v, 1000))) / math.log(100)] for v in ("program", "qsettings")]
    add("Load growth, 1,000 → 100,000 unrelated keys (log-log slope; 1.00 = linear)", *slopes, "+", "≤ 1.1",
        lambda v: slopes[0][0] <= 1.1, 2)
    add("Save one list, 20 slots (µs)", lists["Save20/program/unrelated:0"], lists["Save20/qsettings/unrelated:0"], "×")
    m, c = r["machine"], r["counts"]
    woken = sorted({t.split(":", 1)[1] for runs in r["wakeups_by_thread"]["program"] for t in runs})
    return "\n".join([
        "# ZOLVANTEK benchmark results", "",
        f"{m['date']} · {m['cpu']} · {m['cores']} cores · Linux {m['kernel']}"
        + (" · **smoke run: one iteration each, not figures**" if r["smoke"] else ""), "",
        "Each cell: median (min–max). Baselines, measured in the same run: a minimal Qt tray program for "
        "start-up, memory, wakeups and popups; posix_spawn for the launch; plain QSettings for the lists.", "",
        "| Measure | ZOLVANTEK | Baseline | ZOLVANTEK vs baseline | Target | Result |", "|---|---|---|---|---|---|",
        *rows, "",
        f"Runs: {c['runs']} fresh starts of each program (left and right menu in turn); {c['presses']} later "
        f"presses per menu; {c['launches']} launches; {c['idle_runs']} idle windows of {c['idle_seconds']:g} s; "
        f"{c['settings_repetitions']} Google Benchmark repetitions.", "",
        *([f"Threads of ZOLVANTEK that woke while idle: {', '.join(woken)}.", ""] if woken else [])])


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for tool in ("zolvantek", "baseline", "xwatch", "child", "settings"):
        parser.add_argument(f"--{tool}", required=True)
    parser.add_argument("--out", required=True, type=Path)
    # Fresh starts of each program, later presses per menu, launches, idle windows.
    for count, default in (("runs", 12), ("presses", 15), ("launches", 15), ("idle-runs", 3),
                           ("idle-seconds", 30), ("settings-repetitions", 5)):
        parser.add_argument(f"--{count}", type=type(default), default=default)
    parser.add_argument("--smoke", action="store_true", help="everything once: proves the suite runs")
    args = parser.parse_args()
    if args.smoke:  # two starts: one first popup of each menu
        args.runs, args.presses, args.launches, args.idle_runs, args.idle_seconds = 2, 1, 1, 1, 1
        args.settings_repetitions = 1
    args.out.mkdir(parents=True, exist_ok=True)
    (args.out / "launch.fifo").unlink(missing_ok=True)
    os.mkfifo(args.out / "launch.fifo")
    suite = Suite(args)
    cpu = next((line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo") if line.startswith("model name")), "")
    results = {"machine": {"date": time.strftime("%Y-%m-%d %H:%M:%S %Z"), "cpu": cpu,
                           "cores": os.cpu_count(), "kernel": platform.release()},
               "smoke": args.smoke,
               "counts": {k: getattr(args, k) for k in ("runs", "presses", "launches", "idle_runs",
                                                        "idle_seconds", "settings_repetitions")}}
    results["settings_us"] = settings_benchmarks(args)
    suite.trayer()
    suite.sni()
    results.update(suite.r)
    (args.out / "results.json").write_text(json.dumps(results, indent=1))
    (args.out / "results.md").write_text(table(results))
    return 0


if __name__ == "__main__":
    sys.exit(main())
