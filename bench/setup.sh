#!/usr/bin/env bash
# Installs what the benchmark suite needs on Debian 12, and only what is missing: the
# program's build, Google Benchmark, the X tools of the private session, the suite's own
# X watcher (xcb with XInput) and gnuplot for the chart. Reuses scripts/setup.sh's
# installer with this list. Sourced by bench/run.sh.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../scripts/setup.sh"

BENCH_PACKAGES=(
    cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev
    libbenchmark-dev libxcb1-dev libxcb-xinput-dev
    xvfb trayer xdotool dbus fonts-dejavu-core python3
    gnuplot-nox
)

bench_setup() {
    local saved=("${ZOLVANTEK_PACKAGES[@]}")
    ZOLVANTEK_PACKAGES=("${BENCH_PACKAGES[@]}")
    zolvantek_setup
    ZOLVANTEK_PACKAGES=("${saved[@]}")
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    bench_setup
fi
