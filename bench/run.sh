#!/usr/bin/env bash
# The benchmark suite in one command: installs what is missing, builds ZOLVANTEK, the
# baselines and the measuring tools (Release, in build-bench/), measures everything with
# its baseline in the same run and writes build-bench/bench-results/results.md and
# chart.png. Arguments go on to bench/run_bench.py, e.g. --runs 5 or --only startup,popups.
set -euo pipefail
cd "$(dirname "$0")/.."
. bench/setup.sh
bench_setup

build=build-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOLVANTEK_TESTS=OFF \
    -DZOLVANTEK_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target bench_suite

exec /usr/bin/python3 bench/run_bench.py \
    --zolvantek="$build/tray/zolvantek" \
    --baseline="$build/baseline_tray/baseline_tray" \
    --xwatch="$build/bench/bench_xwatch" \
    --spawn="$build/bench/bench_spawn" \
    --child="$build/bench/bench_child" \
    --settings="$build/bench/bench_settings" \
    --out="$build/bench-results" "$@"
