#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Takes the README's Windows screenshots: the window program cross-built for
# Windows (scripts/test-windows-ui.sh's build) runs under Wine on Qt's Windows
# platform, real Win32 windows on an Xvfb display, in a Wine prefix of its own
# whose drive C: holds the sample tree beside Wine's system folders (which the
# program skips). Wine draws the Chinese texts with the CJK font installed on
# Linux. The images land in docs/windows/.
#
# Usage: scripts/screenshots-windows.sh [build folder, default build-win-ui]
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
build=$(realpath -m "${1:-build-win-ui}")
# shellcheck source=lib/debian-source.sh
source scripts/lib/debian-source.sh
# shellcheck source=lib/sample-tree.sh
source scripts/lib/sample-tree.sh

if [[ ! -f $build/build.ninja ]]; then
    bash scripts/test-windows-ui.sh "$build"
fi
cmake --build "$build" --target lanbrook-screenshots >/dev/null

export WINEPREFIX=$build/screenshot-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine hands its programs the QT_ variables only as WINEQT_ ones.
export LANG=C.UTF-8 WINEQT_QPA_PLATFORM=windows
rm -rf "$WINEPREFIX"
DISPLAY='' logged "$build/screenshot-wineboot.log" wineboot -i </dev/null
wineserver -w
prepare_closed_prefix "$WINEPREFIX"
make_sample_tree "$WINEPREFIX/drive_c"
mkdir -p "$WINEPREFIX/drive_c/windows/Temp/shots" docs/windows

display_file=$build/screenshot-xvfb.display
rm -f "$display_file"
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb_pid=$!
trap 'wineserver -k 2>/dev/null || true; kill $xvfb_pid 2>/dev/null || true' EXIT
for _ in $(seq 100); do
    [[ -s $display_file ]] && break
    sleep 0.1
done
export DISPLAY=:$(head -n1 "$display_file")

wine "$build/bin/lanbrook-screenshots.exe" 'C:\windows\Temp\shots' 'C:\照片\2023\海边日落.jpg' 'C:\备份\安装包' \
    </dev/null
cp "$WINEPREFIX"/drive_c/windows/Temp/shots/*.png docs/windows/
ls docs/windows
