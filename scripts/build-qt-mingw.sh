#!/usr/bin/env bash
# Provides the static Qt 6.4.2 for 64-bit Windows that zolvantek.exe is built against, in
# ${XDG_CACHE_HOME:-~/.cache}/zolvantek/qt6.4.2-mingw64-static-<options hash>, and prints
# that folder as the last line on stdout (progress goes to stderr). Done once per set of
# configure options; later runs only print.
#
# Two routes to the same Qt:
# - ../shared/qt6.4.2-mingw64-static.tar.xz beside the checkout (or ZOLVANTEK_QT_ARCHIVE):
#   unpacked in seconds when its SHA-256 is the one below;
# - otherwise (no archive, or one made with other options) cross-built from Debian's own
#   qt6-base source with MinGW-w64: about 15 minutes at -j2 on an idle 2-core machine and
#   3 GB of space while it builds. The build also leaves the archive for ../shared.
set -euo pipefail

QT_VERSION=6.4.2
QT_DEBIAN_VERSION=6.4.2+dfsg-10
QT_ARCHIVE_SHA256=383b4836df07fab1afccf2d807b774ae979a1dc8fad0012418ab8b21863fef52
# Only what zolvantek.exe and its tests use: the program is about a third smaller without
# the rest. FreeType stays for the offscreen platform the widget tests run on.
QT_CONFIGURE_OPTIONS=(
    -release -static -static-runtime -optimize-size -xplatform win32-g++ -qt-host-path /usr
    -nomake tests -nomake examples -no-opengl -no-dbus -no-icu
    -no-feature-sql -no-feature-network -no-feature-concurrent -no-feature-xml
    -no-feature-printsupport -no-gif -no-ico -no-libjpeg -no-feature-graphicsview
    -no-feature-mimetype-database -no-feature-calendarwidget -no-feature-datetimeedit
    -no-feature-mdiarea -no-feature-gestures -no-feature-textodfwriter
    -qt-zlib -qt-libpng -qt-freetype -qt-harfbuzz -qt-pcre -qt-doubleconversion
)

root="$(cd "$(dirname "$0")/.." && pwd)"
cache="${XDG_CACHE_HOME:-$HOME/.cache}/zolvantek"
# A Qt made with other options (an older checkout's) keeps its own folder.
flavour="$(printf '%s\n' "$QT_DEBIAN_VERSION" "${QT_CONFIGURE_OPTIONS[@]}" | sha256sum | cut -c1-8)"
dest="$cache/qt$QT_VERSION-mingw64-static-$flavour"
archive="${ZOLVANTEK_QT_ARCHIVE:-$root/../shared/qt$QT_VERSION-mingw64-static.tar.xz}"
jobs="${ZOLVANTEK_QT_JOBS:-2}"

say() { printf 'build-qt-mingw: %s\n' "$*" >&2; }
die() { say "$*"; exit 1; }
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
apt_install() {
    DEBIAN_FRONTEND=noninteractive as_root apt-get -o DPkg::Lock::Timeout=600 install -y -qq \
        --no-install-recommends "$@" >/dev/null
}

mkdir -p "$cache"
# Two runs at once (two checkouts, say) would unpack or build into the same folder.
exec 9>"$cache/.qt$QT_VERSION-$flavour.lock"
flock 9

if [ -f "$dest/.complete" ]; then
    echo "$dest"
    exit 0
fi

# The half-made folder of an interrupted run is never taken for a finished one.
stage="$cache/.qt$QT_VERSION-$flavour-stage"
rm -rf "$stage" "$dest"
mkdir -p "$stage"

# True when the archive is the one this script's options make.
archive_matches() {
    [ -f "$archive" ] || return 1
    say "checking $archive"
    local sum
    sum="$(sha256sum "$archive" | cut -d' ' -f1)"
    [ "$sum" = "$QT_ARCHIVE_SHA256" ] && return 0
    say "SHA-256 of $archive is $sum, not $QT_ARCHIVE_SHA256 (made with other options?); not using it"
    return 1
}

unpack_archive() {
    say "unpacking into $dest"
    tar -xJf "$archive" -C "$stage"
    [ -f "$stage/qt-win/lib/cmake/Qt6/qt.toolchain.cmake" ] || die "$archive holds no qt-win/ Qt"
    echo "unpacked from $(basename "$archive") (sha256 $QT_ARCHIVE_SHA256)" >"$stage/.complete"
}

# Debian's sources are only reachable through a deb-src entry, which a default install lacks.
ensure_deb_src() {
    if apt-get source --print-uris -qq "qt6-base=$QT_DEBIAN_VERSION" >/dev/null 2>&1; then return; fi
    say "adding a deb-src entry for bookworm main"
    as_root tee /etc/apt/sources.list.d/zolvantek-deb-src.sources >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    as_root apt-get -o DPkg::Lock::Timeout=600 update -qq
}

# Debian's qtbase source leaves out the Wintab headers the Windows plugin includes; Wine's
# own (LGPL-2.1+) declare the same API. The shim supplies the few macros that Wine's
# header takes from Wine's build environment.
add_wintab_headers() {
    local source="$1" work="$2"
    say "taking wintab.h and pktdef.h from libwine-dev"
    (cd "$work" && apt-get download -qq libwine-dev)
    rm -rf "$work/libwine-dev"
    dpkg-deb -x "$work"/libwine-dev_*.deb "$work/libwine-dev"
    local wine_headers
    wine_headers="$(dirname "$(find "$work/libwine-dev" -name wintab.h -path '*windows*' | head -n1)")"
    [ -f "$wine_headers/wintab.h" ] && [ -f "$wine_headers/pktdef.h" ] ||
        die "libwine-dev holds no wintab.h/pktdef.h"
    local dir="$source/src/3rdparty/wintab"
    mkdir -p "$dir"
    cp "$wine_headers/wintab.h" "$dir/wine_wintab.h"
    cp "$wine_headers/pktdef.h" "$dir/pktdef.h"
    cp "$work/libwine-dev/usr/share/doc/libwine-dev/copyright" "$dir/COPYRIGHT.wine"
    cat >"$dir/wintab.h" <<'EOF'
// Wine's wintab.h, made to compile outside Wine.
#pragma once
#include <windows.h>
#ifdef UNICODE
#define WINELIB_NAME_AW(func) func##W
#else
#define WINELIB_NAME_AW(func) func##A
#endif
#define DECL_WINELIB_TYPE_AW(type) typedef WINELIB_NAME_AW(type) type;
#define API WINAPI
#include "wine_wintab.h"
EOF
}

# Prints every 25th Ninja step with the minutes so far, so a long build shows it is alive.
show_progress() {
    local started=$1
    awk -v started="$started" '
        /^\[[0-9]+\/[0-9]+\]/ {
            split(substr($1, 2), n, "/"); step = n[1] + 0; total = n[2] + 0
            if (step % 25 == 0 || step == total) {
                "date +%s" | getline now; close("date +%s")
                printf "build-qt-mingw: step %d of %d, %d min\n", step, total, (now - started) / 60 > "/dev/stderr"
            }
            next
        }
        /(error|FAILED)/ { print > "/dev/stderr" }'
}

build_from_source() {
    local started
    started=$(date +%s)
    say "building Qt $QT_VERSION for Windows from Debian's source"
    say "this takes about 15 minutes at -j2 on an idle 2-core machine and 3 GB of disk; it is done once"
    command -v x86_64-w64-mingw32-g++-posix >/dev/null || apt_install g++-mingw-w64-x86-64
    [ -x /usr/lib/qt6/libexec/moc ] || apt_install qt6-base-dev-tools
    command -v dpkg-source >/dev/null || apt_install dpkg-dev
    command -v ninja >/dev/null || apt_install ninja-build
    ensure_deb_src

    local work="$cache/qt$QT_VERSION-$flavour-source-build"
    rm -rf "$work"
    mkdir -p "$work"
    say "fetching qt6-base $QT_DEBIAN_VERSION (apt-get source)"
    (cd "$work" && apt-get source -qq "qt6-base=$QT_DEBIAN_VERSION" >/dev/null)
    local source
    source="$(find "$work" -maxdepth 1 -type d -name 'qt6-base-*' | head -n1)"
    [ -n "$source" ] || die "apt-get source left no qt6-base folder in $work"
    add_wintab_headers "$source" "$work"

    cat >"$work/mingw-w64.cmake" <<'EOF'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

    mkdir -p "$work/build"
    say "configuring"
    (cd "$work/build" && "$source/configure" -prefix "$stage/qt-win" "${QT_CONFIGURE_OPTIONS[@]}" \
        -- -G Ninja -DCMAKE_TOOLCHAIN_FILE="$work/mingw-w64.cmake" \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >"$work/configure.log" 2>&1) ||
        { tail -n 30 "$work/configure.log" >&2; die "configure failed (log: $work/configure.log)"; }
    [ -z "${ZOLVANTEK_QT_CONFIGURE_ONLY:-}" ] || { say "configured in $work/build"; exit 0; }

    say "building with -j$jobs"
    set -o pipefail
    (cd "$work/build" && cmake --build . --parallel "$jobs" 2>&1) | show_progress "$started"
    say "installing"
    (cd "$work/build" && cmake --install . >/dev/null)
    # Keep the licence texts with the libraries that are linked into every program.
    cp "$source"/LICENSES/* "$stage/qt-win/" 2>/dev/null || true
    cp "$source/src/3rdparty/wintab/COPYRIGHT.wine" "$stage/qt-win/" 2>/dev/null || true
    local minutes=$((($(date +%s) - started + 59) / 60))
    echo "built from qt6-base $QT_DEBIAN_VERSION in $minutes min at -j$jobs" >"$stage/.complete"
    say "Qt built in $minutes minutes"
    rm -rf "$work"
    pack_archive
}

# The archive for ../shared, made the same way each time: names sorted, one owner, one date.
pack_archive() {
    local packed="$cache/qt$QT_VERSION-mingw64-static.tar.xz"
    tar -C "$stage" --sort=name --owner=0 --group=0 --numeric-owner --mtime=@0 -cf - qt-win |
        xz -T1 -9 >"$packed.part"
    mv "$packed.part" "$packed"
    say "archive for ../shared: $packed (sha256 $(sha256sum "$packed" | cut -d' ' -f1))"
}

if archive_matches; then
    unpack_archive
else
    build_from_source
fi
mv "$stage" "$dest"
say "$(cat "$dest/.complete")"
echo "$dest"
