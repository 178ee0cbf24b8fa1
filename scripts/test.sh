#!/usr/bin/env bash
# Sets up a Debian 12 machine (installing what is missing), checks the code's format,
# builds ZOLVANTEK three ways (the presets of CMakePresets.json, warnings as errors) and
# runs every test: unit, widget and end-to-end natively; the same again with
# AddressSanitizer and UndefinedBehaviorSanitizer; the whole program built for
# Windows with MinGW-w64 against a static Qt, its tests run under Wine.
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

step "format of the C++ code (clang-format)"
# Tracked files in a checkout, else every C++ file outside the build folders.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
else
    find . -path './build*' -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0 \
        | xargs -0 clang-format --dry-run -Werror
fi
echo "formatted as .clang-format asks"

step "native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native -j"$jobs"
run_ctest --preset native -j"$jobs"

step "sanitizer build and tests"
cmake --preset sanitizer >/dev/null
cmake --build --preset sanitizer -j"$jobs"
run_ctest --preset sanitizer -j"$jobs"

step "settings file reader and writer under libFuzzer (clang)"
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZOLVANTEK_GUI=OFF -DZOLVANTEK_E2E=OFF -DZOLVANTEK_BENCH=OFF -DZOLVANTEK_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$jobs" --target ini_text_fuzz
run_ctest --test-dir build-fuzz -L fuzz --output-on-failure -V | grep -Ev '^[0-9]+: (#|INFO)'

step "Windows build (MinGW-w64, static Qt) and tests under Wine"
windows_started=$SECONDS
# The static Qt for Windows: unpacked from ../shared, or built once from Debian's source.
ZOLVANTEK_QT_WIN="$(bash scripts/build-qt-mingw.sh | tail -n 1)/qt-win"
export ZOLVANTEK_QT_WIN
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$jobs"
(
    . scripts/wine-env.sh build-win
    run_ctest --preset windows -j"$jobs"
)
echo "Windows stage: $(((SECONDS - windows_started + 30) / 60)) min"

step "all test suites passed"
awk '/tests passed, [0-9]+ tests failed out of/ { total += $NF; failed += $4 }
     END { printf "%d passed, %d failed\n", total - failed, failed }' "$summary"
