#!/usr/bin/env bash
# Sets up a Debian 12 machine (installing what is missing), builds ZOLVANTEK three ways
# and runs every test: unit, widget and end-to-end natively; unit and widget again with
# AddressSanitizer and UndefinedBehaviorSanitizer; the Windows layer built with MinGW-w64
# and run under Wine.
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

step "Windows build (MinGW-w64) and tests under Wine"
cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build build-win -j"$jobs"
(
    . scripts/wine-env.sh build-win
    run_ctest --test-dir build-win --output-on-failure
)

step "all test suites passed"
awk '/tests passed, [0-9]+ tests failed out of/ { total += $NF; failed += $4 }
     END { printf "%d passed, %d failed\n", total - failed, failed }' "$summary"
