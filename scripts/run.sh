#!/usr/bin/env bash
# Sets up a Debian 12 machine (installing what is missing), builds ZOLVANTEK and runs it.
# With a display it goes into the desktop's notification area; without one it runs on a
# virtual screen with a tray host, on sample entries in a settings folder of its own, and
# saves screenshots of both menus and the list editor.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/setup.sh
zolvantek_setup

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target zolvantek

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/tray/zolvantek
fi
exec /usr/bin/python3 scripts/headless_desktop.py build/tray/zolvantek build/headless
