#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the Windows installer, dist/lanbrook-<version>-windows-x64-setup.exe,
# with Debian's NSIS (makensis) from packaging/windows/lanbrook.nsi. It holds
# what the Windows package of scripts/package-windows.sh holds (run here
# first: the programs, the licence texts, the relink files, 说明.txt) and
# shows Lanbrook's licence and the note on Qt's as its licence page.
#
# Usage: scripts/package-windows-installer.sh [build folder, default build-win-ui]
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
source_dir=$PWD
build=$(realpath -m "${1:-build-win-ui}")
# shellcheck source=lib/debian-source.sh
source scripts/lib/debian-source.sh
install_missing nsis

bash scripts/package-windows.sh "$build" >/dev/null
version=$(sed -nE 's/^project\(lanbrook VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
stage=$build/package/lanbrook-$version-windows-x64
[[ -f $stage/lanbrook.exe ]] || { echo "package-windows-installer: no package in $stage" >&2; exit 1; }

work=$build/installer
rm -rf "$work"
mkdir -p "$work"

# The licence page: a UTF-8 text with its byte-order mark, which NSIS needs
# to read it as UTF-8.
{
    printf '\xef\xbb\xbf'
    cat LICENSE
    cat <<'TXT'

Qt: lanbrook.exe links Qt 6 statically, under the GNU LGPL version 3. Its
licence texts, those of the code Qt bundles and the files to link the
program against a Qt of your own are installed beside the program (LICENSES,
relink, 说明.txt).
TXT
} | sed 's/$/\r/' >"$work/license.txt"

# The uninstaller removes what the stage holds, by name.
list=$work/uninstall-list.nsh
# shellcheck disable=SC2016 # NSIS's variable, not the shell's
instdir='$INSTDIR'
: >"$list"
for entry in "$stage"/*; do
    name=$(basename "$entry")
    if [[ -d $entry ]]; then
        printf 'RMDir /r "%s\\%s"\n' "$instdir" "$name" >>"$list"
    else
        printf 'Delete "%s\\%s"\n' "$instdir" "$name" >>"$list"
    fi
done

out=$source_dir/dist/lanbrook-$version-windows-x64-setup.exe
mkdir -p dist
rm -f "$out"
logged "$work/makensis.log" makensis -V2 -INPUTCHARSET UTF8 -WX \
    -DVERSION="$version" -DSTAGE="$stage" -DLICENSE_FILE="$work/license.txt" \
    -DUNINSTALL_LIST="$list" -DOUTFILE="$out" packaging/windows/lanbrook.nsi
echo "dist/$(basename "$out")"
