#!/usr/bin/env bash
# Installs what building, running and testing ZOLVANTEK need on Debian 12, and only what
# is missing, so it can run again at any time. Sourced by run.sh and test.sh.
set -euo pipefail

ZOLVANTEK_PACKAGES=(
    # build
    cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libgtest-dev googletest
    # the benchmark suite, whose smoke test runs with the tests
    libbenchmark-dev libxcb1-dev libxcb-xinput-dev gnuplot-nox
    # a desktop without a display: virtual screen, tray host, input, screenshots, a11y
    xvfb trayer xdotool x11-utils imagemagick dbus dbus-x11 at-spi2-core python3
    python3-gi gir1.2-atspi-2.0 python3-pyatspi dbus-daemon fonts-dejavu-core
    # the Windows layer: cross compiler and Wine
    g++-mingw-w64-x86-64 wine64
    # the editors' designed look (Arial's metric twins) and the format check of the code
    fonts-liberation2 clang-format
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
