#!/usr/bin/env bash
# The Windows figures in one command: builds zolvantek.exe, its installer and zip, and the
# baseline tray program for Windows (in build-win/, against the static Qt of
# scripts/build-qt-mingw.sh), measures both programs' start-up under Wine and the sizes.
# Arguments go on to wine_startup.py, e.g. --runs 31.
set -euo pipefail
cd "$(dirname "$0")/../.."
. scripts/setup.sh
zolvantek_setup

qt_win="$(bash scripts/build-qt-mingw.sh | tail -n 1)/qt-win"
cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$qt_win/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build build-win -j2 --target zolvantek baseline_tray zolvantek_windows_packages

exec /usr/bin/python3 bench/wine/wine_startup.py --zolvantek build-win/tray/zolvantek.exe \
    --baseline build-win/baseline_tray/baseline_tray.exe --setup build-win/zolvantek-*-setup.exe \
    --zip build-win/zolvantek-*-win64.zip --out build-win/bench-results "$@"
