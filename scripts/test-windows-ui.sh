#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Cross-builds the window program (lanbrook.exe), lanbrook-scan and the window
# tests for 64-bit Windows against the static Qt that scripts/windows-qt.sh
# makes from Debian's source (cached per machine), and runs the window tests
# under Wine: the shared ones on Qt's offscreen platform, the Windows-only ones
# (tests/windows) on Qt's Windows platform, real Win32 windows on an Xvfb
# display of the stage's own.
#
# The Wine prefix shows the program no more than it needs: drive Z: (the Linux
# root) is removed and the profile's folders are folders of the prefix, not
# links to the Linux home, so an analysis of "every drive" walks the prefix's
# C: only, where it skips Wine's system folders. The test programs lie on no
# drive (Wine starts them from their Linux paths); the recorder program that
# associations start is copied into the prefix's Windows folder.
#
# Wine hands its programs the QT_ variables of Linux only when they are
# written WINEQT_ (QT_QPA_PLATFORM as WINEQT_QPA_PLATFORM).
#
# Usage: scripts/test-windows-ui.sh [build folder, default build-win-ui]
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
source_dir=$PWD
build=$(realpath -m "${1:-build-win-ui}")
mkdir -p "$build"
# shellcheck source=lib/debian-source.sh
source scripts/lib/debian-source.sh

step() {
    echo "== Windows window program: $1 (at ${SECONDS} s)"
}

install_missing cmake ninja-build make mingw-w64 wine wine64 googletest libsqlite3-dev \
    dpkg-dev tcl build-essential xvfb qt6-base-dev fonts-wqy-microhei

step "Qt for Windows"
qt=$(bash scripts/windows-qt.sh)
echo "$qt"

step "SQLite amalgamation"
sqlite_dir=$(make_sqlite_amalgamation "$build")

step "Wine prefix"
export WINEPREFIX=$build/wine-prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset WAYLAND_DISPLAY
if [[ ! -f $WINEPREFIX/.lanbrook-ready ]]; then
    rm -rf "$WINEPREFIX"
    DISPLAY='' logged "$build/wineboot.log" wineboot -i </dev/null
    wineserver -w
    prepare_closed_prefix "$WINEPREFIX"
    touch "$WINEPREFIX/.lanbrook-ready"
fi
# Temporary folders of earlier runs would show in the next analyses.
clean_prefix_temp "$WINEPREFIX"
# The offscreen platform draws with FreeType from the fonts in one folder:
# Wine's own and a CJK font for the Chinese texts.
cp -n /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$WINEPREFIX/drive_c/windows/Fonts/"
export WINEQT_QPA_FONTDIR='C:\windows\Fonts'
export LANG=C.UTF-8

# An X display of the stage's own for the real windows, and one wineserver
# for every test program; both end however the stage ends.
xvfb_display=$build/xvfb.display
rm -f "$xvfb_display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$xvfb_display" >/dev/null 2>&1 &
xvfb_pid=$!
trap 'wineserver -k 2>/dev/null || true; kill $xvfb_pid 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    [[ -s $xvfb_display ]] && break
    sleep 0.1
done
export DISPLAY=:$(head -n1 "$xvfb_display")
wineserver -p </dev/null >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1

step "configure and build"
launcher=()
if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR=$source_dir CCACHE_NOHASHDIR=1
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# Qt's toolchain file finds the cross-built Qt and chain-loads the project's
# own, whose find-root settings would otherwise hide Qt from the build.
cmake -G Ninja -S "$source_dir" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$source_dir/cmake/toolchain-mingw64.cmake" \
    -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" \
    -DLANBROOK_BUILD_BENCH=OFF -DLANBROOK_WERROR=ON \
    -DLANBROOK_SQLITE_AMALGAMATION="$sqlite_dir" \
    -DLANBROOK_GTEST_SOURCE=/usr/src/googletest/googletest >"$build/configure.log"
grep -q "the window program is not built" "$build/configure.log" &&
    { echo "test-windows-ui: Qt was not found" >&2; exit 1; }
cmake --build "$build" -j"$(nproc)" --target lanbrook lanbrook-scan lanbrook_ui_tests

cp "$build/tests/windows/lanbrook-recorder.exe" "$WINEPREFIX/drive_c/windows/"
export LANBROOK_RECORDER='C:\windows\lanbrook-recorder.exe'

step "window tests under Wine"
# The Windows-only cases, and the shared ones listed as holding on Windows.
# One at a time: every analysis walks the prefix's C:, where the other test
# programs' scratch folders would lie.
names=$(grep -v '^#' tests/windows/SharedWindowTests.txt | sed 's/\./\\./g' | paste -sd'|')
ctest --test-dir "$build" -L ui --output-on-failure --timeout 300 \
    -R "^(${names}|FileTypeIconsWin32Test\..*|WindowWin32Test\..*|LineEditWin32Test\..*)\$"
echo "test-windows-ui: done in ${SECONDS} s"
