#!/usr/bin/env bash
# Sets up a Debian 12 machine (installing what is missing), builds ZOLVANTEK three ways
# and runs every test: unit, widget and end-to-end natively; unit and widget again with
# AddressSanitizer and UndefinedBehaviorSanitizer; the whole program built for Windows with
# MinGW-w64 against a static Qt, its tests run under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup.sh
zolvantek_setup

jobs=2
step() { printf '\n==== %s ====\n' "$*"; }
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT
# Runs ctest and keeps its count line for the summary at the end.
run_ctest() { ctest "$@" | tee -a "$summary"; }

step "native build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
run_ctest --test-dir build -j"$jobs" --output-on-failure

step "sanitizer build and tests"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZOLVANTEK_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    run_ctest --test-dir build-asan -j"$jobs" --output-on-failure

step "settings file reader and writer under libFuzzer (clang)"
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZOLVANTEK_GUI=OFF -DZOLVANTEK_E2E=OFF -DZOLVANTEK_BENCH=OFF -DZOLVANTEK_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$jobs" --target ini_text_fuzz
run_ctest --test-dir build-fuzz -L fuzz --output-on-failure -V | grep -Ev '^[0-9]+: (#|INFO)'

step "Windows build (MinGW-w64, static Qt) and tests under Wine"
windows_started=$SECONDS
# The static Qt for Windows: unpacked from ../shared, or built once from Debian's source.
qt_win="$(bash scripts/build-qt-mingw.sh | tail -n 1)/qt-win"
cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$qt_win/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build build-win -j"$jobs"
(
    . scripts/wine-env.sh build-win
    run_ctest --test-dir build-win -j"$jobs" --output-on-failure
)
echo "Windows stage: $(((SECONDS - windows_started + 30) / 60)) min"

step "all test suites passed"
awk '/tests passed, [0-9]+ tests failed out of/ { total += $NF; failed += $4 }
     END { printf "%d passed, %d failed\n", total - failed, failed }' "$summary"
