#!/usr/bin/env python3
"""Runs the whole benchmark suite with its baselines and writes results.json, then the
Markdown table and the chart (report.py).

Each desktop measurement is taken from X events by bench_xwatch, on the clock every
program of the suite shares (CLOCK_MONOTONIC):
  start-up      exec to the icon reparented into trayer
  memory        RSS and PSS (smaps_rollup) 2 s after the start
  wakeups       context switches of all threads over an idle window
  popup         xdotool press to the popup's MapNotify, first press after start and later ones
  launch        the Return press that chooses a program item to the child's first clock read
and the stored lists with Google Benchmark (bench_settings). The sleeps here only pace
the runs and wait out the idle window; none of them is part of a figure.
"""

from __future__ import annotations

import argparse
import json
import os
import platform
import shutil
import subprocess
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parent))
from desktop import SCREEN, Desktop, reap_orphans, stop_pid  # noqa: E402

PARK = (10, SCREEN[1] - 10)
SLOTS = 20
BUTTONS = {"left": 1, "right": 3}
PHASES = ("settings", "startup", "popups", "launch", "idle", "sni")


def log(message: str) -> None:
    print(f"[bench {time.strftime('%H:%M:%S')}] {message}", flush=True)


def pairs(text: str) -> dict[str, list[str]]:
    found: dict[str, list[str]] = {}
    for line in text.splitlines():
        name, _, value = line.partition(" ")
        if value:
            found.setdefault(name, []).append(value.strip())
    return found


# Twenty icons of the default theme: every program entry shows a picture of its own.
ICONS = ("audio-headphones computer drive-harddisk drive-removable-media input-gaming "
         "media-optical printer application-certificate application-x-addon audio-x-generic "
         "font-x-generic image-x-generic package-x-generic text-html text-x-generic "
         "text-x-script video-x-generic x-office-address-book x-office-calendar "
         "x-office-spreadsheet").split()


def write_settings(config_dir: Path, home: Path, child: str, fifo: Path) -> None:
    """Both lists full: twenty folders and twenty programs, each program the launch child
    under a name of its own whose desktop entry gives it an icon of its own."""
    folder = config_dir / "Brindlex Software Solutions"
    folder.mkdir(parents=True, exist_ok=True)
    apps = home / ".local/share/applications"
    apps.mkdir(parents=True, exist_ok=True)
    lines = ["[Directories]"]
    lines += [f"Dir{n}=Folder {n} | /tmp | Explorer | Normal" for n in range(1, SLOTS + 1)]
    for n, icon in enumerate(ICONS[:SLOTS], 1):
        program = home / f"program-{n}"
        program.unlink(missing_ok=True)
        program.symlink_to(child)
        (apps / f"program-{n}.desktop").write_text(
            f"[Desktop Entry]\nType=Application\nName=Program {n}\nExec={program}\nIcon={icon}\n")
        lines.append(f"DirP{n}=Program {n} | {program} | {fifo} | Normal")
    (folder / "Zolvantek.ini").write_text("\n".join(lines) + "\n")


class Suite:
    def __init__(self, args: argparse.Namespace, desk: Desktop):
        self.args = args
        self.desk = desk
        self.programs = {"program": [args.zolvantek], "baseline": [args.baseline]}
        self.watch_log = open(desk.logs / "programs.log", "ab")

    def xwatch(self, *argv: str, timeout: float = 120, desk: Desktop | None = None) -> dict[str, list[str]]:
        done = subprocess.run([self.args.xwatch, *map(str, argv)], env=(desk or self.desk).env(),
                              stdout=subprocess.PIPE, stderr=self.watch_log, timeout=timeout)
        if done.returncode != 0:
            raise RuntimeError(f"bench_xwatch {argv[0]} failed (see {self.desk.logs})")
        return pairs(done.stdout.decode())

    def start(self, name: str) -> dict:
        found = self.xwatch("startup", "--", *self.programs[name])
        return {"pid": int(found["pid"][0]), "start": float(found["start"][0]),
                "embedded_ms": float(found["embedded_ms"][0]), "window": found["window"][0]}

    def stop(self, run: dict) -> None:
        stop_pid(run["pid"])
        reap_orphans()

    def icon_center(self, run: dict) -> str:
        g = {k: int(v[0]) for k, v in self.xwatch("geometry", run["window"]).items()}
        return f"{g['x'] + g['width'] // 2},{g['y'] + g['height'] // 2}"

    def popups(self, run: dict, button: str, repeat: int) -> list[float]:
        found = self.xwatch("popup", "--pid", run["pid"], "--button", BUTTONS[button],
                            "--at", self.icon_center(run), "--park", f"{PARK[0]},{PARK[1]}",
                            "--repeat", repeat)
        return [float(v) for v in found["popup_ms"]]

    @staticmethod
    def memory(pid: int) -> dict[str, float]:
        """RSS, PSS and the private part of RSS (USS), in MiB. PSS charges each shared page
        to every process mapping it in equal parts, other Qt programs on the machine
        included; USS is what this process alone holds."""
        kib = {}
        with open(f"/proc/{pid}/smaps_rollup") as f:
            for line in f:
                name, _, rest = line.partition(":")
                if name in ("Rss", "Pss", "Private_Clean", "Private_Dirty"):
                    kib[name] = int(rest.split()[0])
        return {"rss_mib": kib["Rss"] / 1024, "pss_mib": kib["Pss"] / 1024,
                "uss_mib": (kib["Private_Clean"] + kib["Private_Dirty"]) / 1024}

    @staticmethod
    def switches(pid: int) -> dict[str, int]:
        """Context switches so far of every thread, by thread id and name."""
        counts = {}
        for tid in os.listdir(f"/proc/{pid}/task"):
            try:
                with open(f"/proc/{pid}/task/{tid}/comm") as f:
                    comm = f.read().strip()
                with open(f"/proc/{pid}/task/{tid}/status") as f:
                    n = sum(int(line.split()[1]) for line in f
                            if line.startswith(("voluntary_ctxt", "nonvoluntary_ctxt")))
            except OSError:
                continue
            counts[f"{tid}:{comm}"] = n
        return counts

    @staticmethod
    def wait_until(moment: float) -> None:
        left = moment - time.monotonic()
        if left > 0:
            time.sleep(left)

    # ---------------------------------------------------------------------- phases ----

    def startup_memory_first_popups(self, results: dict) -> None:
        """Fresh starts: start-up time, memory 2 s after the start, then the first popup
        after the start, of the left menu in one run and of the right one in the next (the
        baseline has a single menu: only its first popup is a first one). The two programs
        take turns, so drift hits both alike."""
        for name in self.programs:  # unmeasured: caches (fonts, shared libraries) warm up
            self.stop(self.start(name))
        for i in range(self.args.runs):
            button = list(BUTTONS)[i % len(BUTTONS)]
            for name in self.programs:
                run = self.start(name)
                try:
                    results["startup_ms"][name].append(run["embedded_ms"])
                    self.wait_until(run["start"] + 2.0)
                    for key, value in self.memory(run["pid"]).items():
                        results[key][name].append(value)
                    results["popup_first_ms"][name][button] += self.popups(run, button, 1)
                finally:
                    self.stop(run)
            log(f"start-up run {i + 1}/{self.args.runs}: "
                f"program {results['startup_ms']['program'][-1]:.1f} ms, "
                f"baseline {results['startup_ms']['baseline'][-1]:.1f} ms")

    def later_popups_and_launch(self, results: dict, phases: set[str]) -> None:
        for name in self.programs:
            if "popups" not in phases and name != "program":
                continue
            run = self.start(name)
            try:
                time.sleep(1.0)
                for button in BUTTONS:
                    self.popups(run, button, 1)  # the first popup is measured above
                    if "popups" in phases:
                        results["popup_ms"][name][button] += self.popups(run, button,
                                                                         self.args.presses)
                log(f"popups of {name}: done")
                if name == "program" and "launch" in phases:
                    found = self.xwatch(
                        "launch", "--pid", run["pid"], "--at", self.icon_center(run),
                        "--park", f"{PARK[0]},{PARK[1]}", "--fifo", self.fifo,
                        "--repeat", self.args.launches, "--keys", "Down", "Down")
                    results["launch_ms"]["program"] = [float(v) for v in found["launch_ms"]]
                    reap_orphans()
            finally:
                self.stop(run)
        if "launch" not in phases:
            return
        spawned = subprocess.run([self.args.spawn, "--repeat", str(self.args.launches),
                                  self.args.child], check=True, stdout=subprocess.PIPE)
        results["launch_ms"]["baseline"] = [float(v) for v in
                                            pairs(spawned.stdout.decode())["spawn_ms"]]
        log("launches: done")

    def idle(self, results: dict) -> None:
        """Both programs side by side, untouched: every context switch is a wakeup."""
        for i in range(self.args.idle_runs):
            runs = {name: self.start(name) for name in self.programs}
            try:
                self.wait_until(max(r["start"] for r in runs.values()) + 2.0)
                before = {name: self.switches(r["pid"]) for name, r in runs.items()}
                time.sleep(self.args.idle_seconds)
                for name, r in runs.items():
                    after = self.switches(r["pid"])
                    by_thread = {t: n - before[name].get(t, 0) for t, n in after.items()}
                    results["wakeups"][name].append(sum(by_thread.values()))
                    results["wakeups_by_thread"][name].append(
                        {t: n for t, n in by_thread.items() if n})
            finally:
                for r in runs.values():
                    self.stop(r)
            log(f"idle run {i + 1}/{self.args.idle_runs}: wakeups program "
                f"{results['wakeups']['program'][-1]}, baseline {results['wakeups']['baseline'][-1]}")

    def sni_popups(self, results: dict) -> None:
        """Later presses where the icon is a StatusNotifierItem: xfce4-panel's notification
        area in a session of its own. A left press comes to the program as Activate and it
        pops PROGRAMS itself; a right press makes the panel draw the exported WINDOWS
        EXPLORER menu. The baseline exports no menu, so only its left press pops one. Any
        popup counts (--pid 0): the one drawn by the panel belongs to the panel."""
        with Desktop(self.args.xwatch, self.desk.workdir / "sni", tray="xfce4-panel") as sni:
            write_settings(sni.config, sni.home, self.args.child, Path(self.fifo))
            for name, argv in self.programs.items():
                proc = subprocess.Popen(argv, env=sni.env(), stdout=self.watch_log,
                                        stderr=self.watch_log, start_new_session=True)
                try:
                    end = time.monotonic() + 30
                    while not (sni.registered_items() and (icon := sni.drawn_icon_geometry())):
                        if time.monotonic() > end:
                            raise RuntimeError(f"{name} never showed its icon on xfce4-panel")
                        time.sleep(0.1)
                    time.sleep(1.0)
                    at = f"{icon.center[0]},{icon.center[1]}"
                    for button in BUTTONS if name == "program" else ("left",):
                        found = self.xwatch("popup", "--pid", 0, "--button", BUTTONS[button], "--at", at,
                                            "--park", f"{PARK[0]},{PARK[1]}", "--repeat",
                                            self.args.presses + 1, desk=sni)
                        # The first press after the start is measured with XEmbed above.
                        results["sni_popup_ms"][name][button] = [float(v) for v in found["popup_ms"][1:]]
                finally:
                    stop_pid(proc.pid)
                    reap_orphans()
            log("popups on xfce4-panel (StatusNotifierItem): done")

    def run(self, phases: set[str]) -> dict:
        pair = lambda: {"program": [], "baseline": []}  # noqa: E731
        per_button = lambda: {b: [] for b in BUTTONS}  # noqa: E731
        results = {
            "startup_ms": pair(), "rss_mib": pair(), "pss_mib": pair(), "uss_mib": pair(),
            "popup_first_ms": {"program": per_button(), "baseline": per_button()},
            "popup_ms": {"program": per_button(), "baseline": per_button()},
            "sni_popup_ms": {"program": per_button(), "baseline": per_button()},
            "launch_ms": pair(), "wakeups": pair(),
            "wakeups_by_thread": pair(),
        }
        self.fifo = str(self.desk.workdir / "launch.fifo")
        os.mkfifo(self.fifo)
        write_settings(self.desk.config, self.desk.home, self.args.child, Path(self.fifo))
        if "startup" in phases:
            self.startup_memory_first_popups(results)
        if phases & {"popups", "launch"}:
            self.later_popups_and_launch(results, phases)
        if "idle" in phases:
            self.idle(results)
        if "sni" in phases:
            self.sni_popups(results)
        return results


def settings_benchmarks(args: argparse.Namespace, out: Path) -> dict[str, list[float]]:
    """Google Benchmark's JSON, reduced to each benchmark's per-repetition times (µs)."""
    json_path = out / "settings.json"
    argv = [args.settings, f"--benchmark_out={json_path}", "--benchmark_out_format=json"]
    if args.smoke:
        argv.append("--smoke")
    else:
        argv += [f"--benchmark_repetitions={args.settings_repetitions}",
                 "--benchmark_min_time=0.5"]
    with open(out / "settings.log", "wb") as log_file:
        subprocess.run(argv, check=True, stdout=log_file, stderr=log_file)
    times: dict[str, list[float]] = {}
    for b in json.loads(json_path.read_text())["benchmarks"]:
        if b.get("run_type") != "iteration" or b.get("error_occurred"):
            continue
        scale = {"ns": 1e-3, "us": 1.0, "ms": 1e3, "s": 1e6}[b["time_unit"]]
        # A smoke run's names carry its fixed iteration and repetition counts.
        name = "/".join(part for part in b["run_name"].split("/")
                        if not part.startswith(("iterations:", "repeats:", "min_time:")))
        times.setdefault(name, []).append(b["real_time"] * scale)
    return times


def machine() -> dict:
    cpu = ""
    try:
        cpu = next(line.split(":", 1)[1].strip() for line in open("/proc/cpuinfo")
                   if line.startswith("model name"))
    except (OSError, StopIteration):
        pass
    return {"date": time.strftime("%Y-%m-%d %H:%M:%S %Z"), "cpu": cpu,
            "cores": os.cpu_count(), "kernel": platform.release()}


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    for tool in ("zolvantek", "baseline", "xwatch", "spawn", "child", "settings"):
        parser.add_argument(f"--{tool}", required=True)
    parser.add_argument("--out", required=True, type=Path)
    parser.add_argument("--runs", type=int, default=12, help="fresh starts of each program")
    parser.add_argument("--presses", type=int, default=15, help="later presses per menu")
    parser.add_argument("--launches", type=int, default=15)
    parser.add_argument("--idle-runs", type=int, default=3)
    parser.add_argument("--idle-seconds", type=float, default=30.0)
    parser.add_argument("--settings-repetitions", type=int, default=5)
    parser.add_argument("--only", default=",".join(PHASES),
                        help=f"comma-separated phases to run, of {','.join(PHASES)}")
    parser.add_argument("--smoke", action="store_true",
                        help="everything once, one iteration each: proves the suite runs")
    args = parser.parse_args()
    if args.smoke:
        args.runs = 2  # one first popup of each menu
        args.presses = args.launches = args.idle_runs = 1
        args.idle_seconds = 1.0
    args.out.mkdir(parents=True, exist_ok=True)
    phases = set(args.only.split(","))
    if not phases <= set(PHASES):
        parser.error(f"unknown phases: {','.join(sorted(phases - set(PHASES)))}")

    results = {"machine": machine(), "smoke": args.smoke,
               "counts": {"runs": args.runs, "presses": args.presses, "launches": args.launches,
                          "idle_runs": args.idle_runs, "idle_seconds": args.idle_seconds,
                          "settings_repetitions": 1 if args.smoke else args.settings_repetitions}}
    results["phases"] = sorted(phases)
    results["settings_us"] = {}
    if "settings" in phases:
        log("stored lists (Google Benchmark)")
        results["settings_us"] = settings_benchmarks(args, args.out)
    shutil.rmtree(args.out / "desktop", ignore_errors=True)
    with Desktop(args.xwatch, args.out / "desktop") as desk:
        log(f"desktop ready on {desk.display}")
        results.update(Suite(args, desk).run(phases))
    (args.out / "results.json").write_text(json.dumps(results, indent=1))
    log(f"wrote {args.out / 'results.json'}")
    subprocess.run([sys.executable, str(Path(__file__).with_name("report.py")),
                    str(args.out / "results.json"), str(args.out)], check=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
