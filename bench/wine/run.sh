#!/usr/bin/env bash
# The Windows start-up figure in one command: builds zolvantek.exe and the baseline tray
# program for Windows (in build-win/, against the static Qt of scripts/build-qt-mingw.sh)
# and measures both under Wine. Arguments go on to wine_startup.py, e.g. --runs 15.
set -euo pipefail
cd "$(dirname "$0")/../.."
. scripts/setup.sh
zolvantek_setup

qt_win="$(bash scripts/build-qt-mingw.sh | tail -n 1)/qt-win"
cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$qt_win/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build build-win -j2 --target zolvantek baseline_tray

exec /usr/bin/python3 bench/wine/wine_startup.py --zolvantek build-win/tray/zolvantek.exe \
    --baseline build-win/baseline_tray/baseline_tray.exe --out build-win/bench-results "$@"
