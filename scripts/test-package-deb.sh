#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Tests the Debian package that scripts/package-deb.sh makes (lintian runs
# there):
#   - its control data: name, version from CMakeLists.txt, architecture, the
#     libraries the programs link among the dependencies;
#   - its files, the same as cmake --install gives: both programs, desktop entry, icons, metainfo (valid under
#     appstreamcli), manual pages (rendered without warnings, every option of
#     --help in lanbrook-scan's), bash completion (every option, folders for
#     FOLDER), copyright and changelog; nothing outside /usr;
#   - unpacked into a scratch root (dpkg -x): lanbrook-scan analyses a folder
#     and writes its database, the window program starts;
#   - when run as root: a real `apt-get install ./lanbrook_*.deb`, the
#     installed programs run, then `apt-get remove` leaves none of its files
#     (and no configuration for a purge); the user's database stays.
#
# Usage: scripts/test-package-deb.sh [build folder, default build]
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
# shellcheck source=lib/debian-source.sh
source scripts/lib/debian-source.sh
install_missing appstream desktop-file-utils man-db xvfb xauth

fail() {
    echo "test-package-deb: $*" >&2
    exit 1
}
step() {
    echo "== Debian package: $1"
}

build=$(realpath -m "${1:-build}")
step "build the package and run lintian"
deb=$(bash scripts/package-deb.sh "$build")
version=$(sed -nE 's/^project\(lanbrook VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
[[ $(basename "$deb") == "lanbrook_${version}_amd64.deb" ]] || fail "unexpected name $deb"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

step "control data"
field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == lanbrook ]] || fail "Package is $(field Package)"
[[ $(field Version) == "$version" ]] || fail "Version is $(field Version), not $version"
[[ $(field Architecture) == amd64 ]] || fail "Architecture is $(field Architecture)"
depends=$(field Depends | sed -E 's/ *\([^)]*\)//g; s/, */\n/g')
for lib in libc6 libstdc++6 libsqlite3-0 libqt6core6 libqt6widgets6 libqt6gui6 qt6-qpa-plugins; do
    grep -qxF "$lib" <<<"$depends" || fail "Depends lacks $lib: $(field Depends)"
done

step "files"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/list"
for path in /usr/bin/lanbrook /usr/bin/lanbrook-scan \
    /usr/share/applications/lanbrook.desktop \
    /usr/share/icons/hicolor/48x48/apps/lanbrook.png \
    /usr/share/icons/hicolor/256x256/apps/lanbrook.png \
    /usr/share/metainfo/org.lanbrook.lanbrook.metainfo.xml \
    /usr/share/man/man1/lanbrook.1.gz /usr/share/man/man1/lanbrook-scan.1.gz \
    /usr/share/bash-completion/completions/lanbrook-scan \
    /usr/share/doc/lanbrook/copyright /usr/share/doc/lanbrook/changelog.gz; do
    grep -qxF "$path" "$work/list" || fail "the package lacks $path"
done
if grep -vE '^/(usr/?.*)?$' "$work/list"; then
    fail "files outside /usr (above)"
fi

# The package is made of the install rules: cmake --install gives the same
# files.
cmake --install "$build" --prefix "$work/prefix" >/dev/null
diff <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./usr/||' | sort) \
    <(cd "$work/prefix" && find . ! -type d | sed 's|^\./||' | sort) ||
    fail "cmake --install and the package differ (above)"

root=$work/root
dpkg -x "$deb" "$root"
scan=$root/usr/bin/lanbrook-scan
appstreamcli validate --no-net "$root/usr/share/metainfo/org.lanbrook.lanbrook.metainfo.xml" >/dev/null ||
    fail "the metainfo is not valid"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/org.lanbrook.lanbrook.metainfo.xml" ||
    fail "the metainfo names another release than $version"
desktop-file-validate "$root/usr/share/applications/lanbrook.desktop" || fail "the desktop entry is not valid"

step "manual pages and completion"
for page in lanbrook lanbrook-scan; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "man reports for $page.1: $warnings"
done
LC_ALL=C.UTF-8 MANWIDTH=200 man -E UTF-8 -l "$root/usr/share/man/man1/lanbrook-scan.1.gz" 2>/dev/null >"$work/man.txt"
options=$("$scan" --help | sed -nE 's/^ +(-[-A-Za-z0-9]*)( .*)?$/\1/p')
[[ -n $options ]] || fail "lanbrook-scan --help lists no options"
for option in $options; do
    grep -qF -- "$option" "$work/man.txt" || fail "the manual page lacks $option"
done
# Texts that are not ASCII (the window's Chinese names) survive as they are.
"$scan" --help | grep -oP '[^\x00-\x7f]+' | sort -u >"$work/non-ascii"
[[ -s $work/non-ascii ]] || fail "lanbrook-scan --help has no text that is not ASCII"
while IFS= read -r text; do
    grep -qF -- "$text" "$work/man.txt" || fail "the manual page lacks '$text'"
done <"$work/non-ascii"
# complete WORDS...: what the installed completion offers for the last word.
complete_words() {
    # shellcheck disable=SC1090,SC2034
    # compopt works only while bash itself completes.
    bash -c 'compopt() { :; }; source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
        _lanbrook_scan; printf "%s\n" "${COMPREPLY[@]}" | sort' _ \
        "$root/usr/share/bash-completion/completions/lanbrook-scan" "$@"
}
offered=$(complete_words lanbrook-scan -)
for option in $options; do
    grep -qxF -- "$option" <<<"$offered" || fail "completion does not offer $option: $offered"
done
mkdir -p "$work/tree/sub dir" "$work/tree/other"
: >"$work/tree/a file"
offered=$(cd "$work/tree" && complete_words lanbrook-scan --protect '')
[[ $offered == $'other\nsub dir' ]] || fail "completion after --protect offers: $offered"
offered=$(cd "$work/tree" && complete_words lanbrook-scan -- -)
[[ -z $offered ]] || fail "completion after -- offers options: $offered"

step "programs from the scratch root"
mkdir -p "$work/home" "$work/sample/a" "$work/sample/b"
head -c 100000 /dev/urandom >"$work/sample/a/photo.jpg"
cp "$work/sample/a/photo.jpg" "$work/sample/b/photo.jpg"
USERPROFILE=$work/home LANBROOK_DRIVES="C:=$work" "$scan" -q "$work/sample" >"$work/scan.txt" ||
    fail "lanbrook-scan from the scratch root failed: $(cat "$work/scan.txt")"
[[ -s $work/home/FileInfoData/FileInfo__.db ]] || fail "lanbrook-scan wrote no database"
grep -q "photo.jpg" "$work/scan.txt" || fail "lanbrook-scan found no copies: $(cat "$work/scan.txt")"
# The window program, on Qt's offscreen platform: still running after a few
# seconds means it has started and shows its window.
set +e
USERPROFILE=$work/home LANBROOK_DRIVES="C:=$work/sample" QT_QPA_PLATFORM=offscreen \
    timeout 5 "$root/usr/bin/lanbrook" >"$work/window.log" 2>&1
status=$?
set -e
((status == 124)) || fail "the window program ended with status $status: $(cat "$work/window.log")"

if [[ $(id -u) -ne 0 ]]; then
    echo "test-package-deb: not root, the apt install round trip is left out"
    exit 0
fi

step "apt install, run, remove"
export DEBIAN_FRONTEND=noninteractive
if dpkg-query -W -f='${Status}' lanbrook 2>/dev/null | grep -q "install ok installed"; then
    apt-get purge -y -q lanbrook >/dev/null
fi
apt-get install -y -q "$(realpath "$deb")" >"$work/apt.log" 2>&1 || fail "apt install failed: $(tail -n 20 "$work/apt.log")"
dpkg-query -W -f='${Version}' lanbrook | grep -qxF "$version" || fail "apt installed another version"
dpkg -L lanbrook | sort >"$work/installed"
USERPROFILE=$work/home LANBROOK_DRIVES="C:=$work" /usr/bin/lanbrook-scan -q "$work/sample" >/dev/null ||
    fail "the installed lanbrook-scan failed"
set +e
USERPROFILE=$work/home LANBROOK_DRIVES="C:=$work/sample" QT_QPA_PLATFORM=offscreen timeout 5 /usr/bin/lanbrook >/dev/null 2>&1
status=$?
set -e
((status == 124)) || fail "the installed window program ended with status $status"
# A plain remove: the package has no configuration files, so nothing of it
# may stay for a purge (no state "config-files" either).
apt-get remove -y -q lanbrook >"$work/remove.log" 2>&1 || fail "apt remove failed: $(tail -n 20 "$work/remove.log")"
state=$(dpkg-query -W -f='${Status}' lanbrook 2>/dev/null || true)
[[ -z $state || $state == *not-installed ]] || fail "after the remove dpkg says: $state"
left=()
while IFS= read -r path; do
    # Folders the package shares with others (/usr, /usr/share/man, ...) stay.
    [[ -e $path && ! -d $path ]] && left+=("$path")
    [[ -d $path && $path == */lanbrook ]] && left+=("$path")
done <"$work/installed"
((${#left[@]} == 0)) || fail "left after the remove: ${left[*]}"
[[ -s $work/home/FileInfoData/FileInfo__.db ]] || fail "the remove took the user's database"
echo "test-package-deb: done"
