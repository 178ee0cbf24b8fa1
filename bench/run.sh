#!/usr/bin/env bash
# The benchmark suite into build-bench/bench-results/ (arguments go to bench/run_bench.py); with --windows first, into build-win/.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup.sh
zolvantek_setup

if [ "${1:-}" = --windows ]; then
    shift
    export ZOLVANTEK_QT_WIN="$(bash scripts/build-qt-mingw.sh | tail -n 1)/qt-win"
    cmake --preset windows >/dev/null
    cmake --build build-win -j2 --target zolvantek baseline_tray zolvantek_windows_packages
    . scripts/wine-env.sh build-win  # as the tests run it: wineboot needs its display
    /usr/bin/python3 bench/wine/wine_startup.py --zolvantek build-win/tray/zolvantek.exe \
        --baseline build-win/baseline_tray/baseline_tray.exe --setup build-win/zolvantek-*-setup.exe \
        --zip build-win/zolvantek-*-win64.zip --out build-win/bench-results "$@"
    exit
fi
build=build-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZOLVANTEK_TESTS=OFF \
    -DZOLVANTEK_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target bench_suite
exec /usr/bin/python3 bench/run_bench.py --zolvantek="$build/tray/zolvantek" \
    --baseline="$build/baseline_tray/baseline_tray" --xwatch="$build/bench/bench_xwatch" \
    --child="$build/bench/bench_child" --settings="$build/bench/bench_settings" \
    --out="$build/bench-results" "$@"
