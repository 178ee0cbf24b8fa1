# Source this before running the Windows tests under Wine:
#   . scripts/wine-env.sh build-win && ctest --test-dir build-win --output-on-failure
# It gives the run a fresh throw-away Wine prefix inside the build directory, boots it
# once and keeps its server up, so no test pays for the set-up or sees its messages.
# Windows programs with windows (the widget tests) need an X display: without one, a
# private Xvfb is started, and one Wine program is kept open beside the tests so that
# Wine's desktop process stays up instead of starting again for every test. Both end
# when the sourcing shell exits. Safe under "set -euo pipefail".

zolvantek_wine_build="${1:-$(dirname "${BASH_SOURCE[0]}")/../build-win}"
if [ ! -d "$zolvantek_wine_build" ]; then
    echo "wine-env.sh: no build directory '$zolvantek_wine_build'" >&2
    return 1 2>/dev/null || exit 1
fi
zolvantek_wine_build="$(cd "$zolvantek_wine_build" && pwd)"
ZOLVANTEK_WINE="${ZOLVANTEK_WINE:-/usr/lib/wine/wine64}"
ZOLVANTEK_WINESERVER="${ZOLVANTEK_WINESERVER:-/usr/lib/wine/wineserver}"

export WINEPREFIX="$zolvantek_wine_build/wine-prefix"
export WINEARCH=win64
export WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and a new prefix would try to install them.
export WINEDLLOVERRIDES="mscoree,mshtml="

# The prefix of an earlier run may still have its server up; stop it before clearing.
if [ -d "$WINEPREFIX" ]; then
    "$ZOLVANTEK_WINESERVER" -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
fi
mkdir -p "$WINEPREFIX"

zolvantek_wine_xvfb=""
if [ -z "${DISPLAY:-}" ]; then
    zolvantek_wine_fifo="$(mktemp -u)"
    mkfifo "$zolvantek_wine_fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$zolvantek_wine_fifo" \
        </dev/null >/dev/null 2>&1 &
    zolvantek_wine_xvfb=$!
    read -r -t 30 zolvantek_wine_display <"$zolvantek_wine_fifo" || true
    rm -f "$zolvantek_wine_fifo"
    if [ -z "${zolvantek_wine_display:-}" ]; then
        echo "wine-env.sh: Xvfb did not start" >&2
        return 1 2>/dev/null || exit 1
    fi
    export DISPLAY=":$zolvantek_wine_display"
fi

zolvantek_wine_stop() {
    "$ZOLVANTEK_WINESERVER" -k >/dev/null 2>&1 || true
    if [ -n "$zolvantek_wine_xvfb" ]; then kill "$zolvantek_wine_xvfb" 2>/dev/null || true; fi
}
trap zolvantek_wine_stop EXIT

# One server for the whole run, detached from the caller's output. A server that a test
# starts inherits that test's output pipe, and ctest then waits about three seconds per
# test for it to linger out. This one ends by itself a minute after the last program.
"$ZOLVANTEK_WINESERVER" -p60 </dev/null >/dev/null 2>&1 || true
if ! "$ZOLVANTEK_WINE" wineboot --init </dev/null >/dev/null 2>&1; then
    echo "wine-env.sh: could not boot the Wine prefix $WINEPREFIX" >&2
    return 1 2>/dev/null || exit 1
fi
# The long-lived windowed program: minimized Notepad, ended with the server.
"$ZOLVANTEK_WINE" start /min notepad.exe </dev/null >/dev/null 2>&1 || true
unset zolvantek_wine_build zolvantek_wine_display zolvantek_wine_fifo
