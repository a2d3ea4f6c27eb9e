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

sudo_cmd=()
[[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)

# Runs a command with its output in a log file, shown only when it fails.
logged() {
    local log=$1
    shift
    if ! "$@" >"$log" 2>&1; then
        echo "test-windows: failed: $*" >&2
        tail -n 40 "$log" >&2
        return 1
    fi
}

install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$p")
    done
    ((${#missing[@]})) || return 0
    echo "test-windows: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -q
    "${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"
}

# SQLite's amalgamation (sqlite3.c, sqlite3.h) of the version libsqlite3-dev
# has, made from Debian's source package with Debian's patches applied. The
# source entries live in a private apt configuration; the system's stays as
# it is. Prints the folder holding the two files.
make_sqlite_amalgamation() {
    local version cache out
    version=$(dpkg-query -W -f='${Version}' libsqlite3-dev)
    out=$build/sqlite-$version
    if [[ -f $out/sqlite3.c && -f $out/sqlite3.h ]]; then
        echo "$out"
        return
    fi
    cache=$build/sqlite-source
    rm -rf "$cache"
    mkdir -p "$cache/etc/sources.list.d" "$cache/lists/partial" "$cache/cache/archives/partial"
    : >"$cache/etc/sources.list"
    # deb822 files: the same archives, source packages instead of binaries.
    local f
    for f in /etc/apt/sources.list.d/*.sources; do
        [[ -e $f ]] || continue
        sed -E 's/^Types:.*/Types: deb-src/' "$f" >"$cache/etc/sources.list.d/$(basename "$f")"
    done
    # One-line files: every "deb" line again as "deb-src".
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [[ -e $f ]] || continue
        sed -nE 's/^[[:space:]]*deb([[:space:]])/deb-src\1/p' "$f" >>"$cache/etc/sources.list"
    done
    local apt=(apt-get -q -o Dir::Etc::sourcelist="$cache/etc/sources.list"
        -o Dir::Etc::sourceparts="$cache/etc/sources.list.d"
        -o Dir::State::Lists="$cache/lists" -o Dir::Cache="$cache/cache")
    logged "$cache/update.log" "${apt[@]}" update
    (cd "$cache" && logged source.log "${apt[@]}" source --download-only "sqlite3=$version")
    # apt has checked the files against the archive's signed index; dpkg-source
    # finds no key for the uploader's own signature and says so in its log.
    (cd "$cache" && logged extract.log dpkg-source -x sqlite3_*.dsc src)
    mkdir -p "$cache/src/bld"
    (cd "$cache/src/bld" && logged ../../configure.log ../configure &&
        logged ../../make.log make sqlite3.c)
    mkdir -p "$out.partial"
    cp "$cache/src/bld/sqlite3.c" "$cache/src/bld/sqlite3.h" "$out.partial/"
    rm -rf "$out"
    mv "$out.partial" "$out"
    rm -rf "$cache"
    echo "$out"
}

# Prints a step's heading with the seconds the stage has taken so far.
step() {
    echo "== Windows: $1 (at ${SECONDS} s)"
}

install_missing cmake make mingw-w64 wine wine64 googletest libsqlite3-dev libxxhash-dev nlohmann-json3-dev \
    dpkg-dev tcl build-essential

step "SQLite amalgamation"
sqlite_dir=$(make_sqlite_amalgamation)
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
