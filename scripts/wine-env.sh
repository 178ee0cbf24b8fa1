# Source this before running the Windows tests under Wine:
#   . scripts/wine-env.sh build-win && ctest --test-dir build-win --output-on-failure
# It gives the run a fresh throw-away Wine prefix inside the build directory, boots it
# once and keeps its server up, so no test pays for the set-up or sees its messages.
# Safe under "set -euo pipefail".

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

# One server for the whole run, detached from the caller's output. A server that a test
# starts inherits that test's output pipe, and ctest then waits about three seconds per
# test for it to linger out. This one ends by itself a minute after the last program.
"$ZOLVANTEK_WINESERVER" -p60 </dev/null >/dev/null 2>&1 || true
if ! "$ZOLVANTEK_WINE" wineboot --init </dev/null >/dev/null 2>&1; then
    echo "wine-env.sh: could not boot the Wine prefix $WINEPREFIX" >&2
    return 1 2>/dev/null || exit 1
fi
unset zolvantek_wine_build
