#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Cross-builds the libraries, lanbrook-scan and their tests for 64-bit Windows
# with mingw-w64 and runs the tests under Wine through CTest.
#
# Installs what is missing (mingw-w64, Wine, the GoogleTest sources, the tools
# that make SQLite's amalgamation), compiles SQLite from Debian's source
# package of the same version the native build links (cached in the build
# folder), prepares a Wine prefix once and keeps one wineserver running for
# the whole stage, so that a test costs a tenth of a second, not three.
#
# Usage: scripts/test-windows.sh [build folder, default build-win]
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
source_dir=$PWD
build=$(realpath -m "${1:-build-win}")
mkdir -p "$build"

# shellcheck source=lib/debian-source.sh
source scripts/lib/debian-source.sh

# Prints a step's heading with the seconds the stage has taken so far.
step() {
    echo "== Windows: $1 (at ${SECONDS} s)"
}

install_missing cmake make mingw-w64 wine wine64 googletest libsqlite3-dev libxxhash-dev nlohmann-json3-dev \
    dpkg-dev tcl build-essential

step "SQLite amalgamation"
sqlite_dir=$(make_sqlite_amalgamation "$build")
echo "$sqlite_dir"

step "Wine prefix"
export WINEPREFIX=$build/wine-prefix
export WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and their installers would ask.
export WINEDLLOVERRIDES="mscoree,mshtml="
# The tests open no windows; without a display none can appear either.
unset DISPLAY WAYLAND_DISPLAY
if [[ ! -f $WINEPREFIX/.lanbrook-ready ]]; then
    rm -rf "$WINEPREFIX"
    logged "$build/wineboot.log" wineboot -i </dev/null
    wineserver -w
    touch "$WINEPREFIX/.lanbrook-ready"
fi
# One server for every test program of the stage, ended however the stage
# ends. The prefix's services start here, away from any test: a service
# started by a test would keep that test's output pipe open after it ended.
# (A server already running for this prefix stays in use.)
wineserver -p </dev/null >/dev/null 2>&1 || true
trap 'wineserver -k 2>/dev/null || true' EXIT
wine cmd /c exit </dev/null >/dev/null 2>&1

step "configure and build"
cmake -S "$source_dir" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/toolchain-mingw64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLANBROOK_BUILD_UI=OFF -DLANBROOK_BUILD_BENCH=OFF -DLANBROOK_WERROR=ON \
    -DLANBROOK_SQLITE_AMALGAMATION="$sqlite_dir" \
    -DLANBROOK_GTEST_SOURCE=/usr/src/googletest/googletest >/dev/null
cmake --build "$build" -j"$(nproc)"

step "tests under Wine"
# A test that hangs fails after five minutes instead of holding up the run.
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 300
echo "test-windows: done in ${SECONDS} s"
