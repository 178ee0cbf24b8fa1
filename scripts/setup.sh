#!/usr/bin/env bash
# Installs what building, running and testing ZOLVANTEK need on Debian 12, and only what
# is missing, so it can run again at any time. Sourced by run.sh and test.sh.
set -euo pipefail

ZOLVANTEK_PACKAGES=(
    # build
    cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libgtest-dev googletest
    # a Wayland desktop without XWayland: Qt's Wayland platform (the package needs it too)
    qt6-wayland
    # the benchmark suite, whose smoke test runs with the tests
    libbenchmark-dev libxcb1-dev libxcb-xinput-dev
    # a desktop without a display (tests/e2e/session.py): virtual screen, private bus and
    # stand-in services, tray host, X queries, input, process clean-up; pytest
    xvfb python3-xvfbwrapper dbus dbus-daemon python3-dbusmock trayer python3-xlib xdotool
    x11-utils python3-psutil python3 python3-pytest python3-pytest-timeout
    fonts-dejavu-core
    # the Windows layer: cross compiler and Wine
    g++-mingw-w64-x86-64 wine64
    # the settings file's tests: libFuzzer (clang), a full disk mounted (tmpfs)
    clang-14 libclang-rt-14-dev util-linux
    # install layout and Debian package: icons drawn from the SVG, validators for the menu
    # entry and metainfo, CPack's Depends (file, dpkg-shlibdeps), lintian, the manual page,
    # and xdg-open, which the package depends on
    librsvg2-bin desktop-file-utils appstream file dpkg-dev lintian man-db xdg-utils
    # the whole Windows program: host tools (moc, rcc, uic) for the static Qt for Windows,
    # fonts for its widget tests (Liberation) and for Wine's dialogs (Tahoma)
    qt6-base-dev-tools fonts-liberation2 fonts-wine
    # what zolvantek.exe is as a file: its PE headers
    python3-pefile
    # the tray on both protocols: xfce4-panel's notification area hosts StatusNotifierItems
    # (xfconf keeps its settings); the program asks xcb whether an XEmbed tray is there
    xfce4-panel xfconf libxcb1-dev
    # the format check of the code
    clang-format
    # the Windows installer (makensis) and its icon packed from the SVG's images (ImageMagick,
    # icotool); the headless run's screenshots (ImageMagick's import)
    nsis imagemagick icoutils
)

zolvantek_missing_packages() {
    local package
    for package in "${ZOLVANTEK_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$' \
            || echo "$package"
    done
}

zolvantek_setup() {
    local missing
    missing=$(zolvantek_missing_packages)
    [ -z "$missing" ] && return 0
    echo "Installing: $(echo $missing)"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    # Waits for another apt run on the machine instead of failing at once.
    "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 update -qq
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y -qq \
        --no-install-recommends \
        $missing >/dev/null
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    zolvantek_setup
fi
