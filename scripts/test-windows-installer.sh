#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows installer's round trip under Wine, in a prefix of its own
# without drive Z: (so the window program's first analysis walks only C:):
#   1. for all users, silently (/S), twice: the programs under Program Files, the
#      Start-menu entry of all users, the entry in the list of programs
#      (HKLM); the installed lanbrook.exe starts on an Xvfb display and,
#      as on every first start, analyses at once and writes the user's
#      database; the installed lanbrook-scan.exe finds two copies in a
#      folder; while the window program runs, a silent install over it and
#      the silent uninstall named in the list of programs are refused and
#      change nothing; after it ends,
#      the uninstall removes all of it and leaves the database;
#   2. for the current user (/S /CurrentUser): under the user's programs
#      folder, the user's Start menu, HKCU; uninstalled with /REMOVEDATA,
#      which removes the database too.
# After each round the prefix's C: holds exactly the files it held before,
# apart from the database the first round keeps.
#
# Usage: scripts/test-windows-installer.sh [build folder, default build-win-ui]
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
build=$(realpath -m "${1:-build-win-ui}")
# shellcheck source=lib/debian-source.sh
source scripts/lib/debian-source.sh
install_missing wine wine64 xvfb nsis

fail() {
    echo "test-windows-installer: $*" >&2
    exit 1
}
step() {
    echo "== Windows installer: $1 (at ${SECONDS} s)"
}

version=$(sed -nE 's/^project\(lanbrook VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
step "make the installer"
setup=$(realpath "$(bash scripts/package-windows-installer.sh "$build")")

step "Wine prefix"
export WINEPREFIX=$build/wine-installer
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset WAYLAND_DISPLAY
# A prefix that an interrupted run left with Lanbrook in it starts afresh.
if [[ ! -f $WINEPREFIX/.lanbrook-ready ]] ||
    find "$WINEPREFIX/drive_c" -maxdepth 6 \( -iname 'lanbrook*' -o -name FileInfoData \) | grep -q .; then
    rm -rf "$WINEPREFIX"
    DISPLAY='' logged "$build/wineboot-installer.log" wineboot -i </dev/null
    wineserver -w
    prepare_closed_prefix "$WINEPREFIX"
    touch "$WINEPREFIX/.lanbrook-ready"
fi
clean_prefix_temp "$WINEPREFIX"
drive_c=$WINEPREFIX/drive_c

xvfb_display=$build/xvfb-installer.display
rm -f "$xvfb_display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$xvfb_display" >/dev/null 2>&1 &
xvfb_pid=$!
# The installer and two copies to find, in a folder of C: the test removes
# at its end. (Wine starts a program from a Linux path outside every drive,
# but the installer then cannot read itself.)
scratch=$drive_c/lanbrook-test
trap 'wineserver -k 2>/dev/null || true; kill $xvfb_pid 2>/dev/null || true; rm -rf "$scratch"' EXIT
for _ in $(seq 100); do
    [[ -s $xvfb_display ]] && break
    sleep 0.1
done
DISPLAY=:$(head -n1 "$xvfb_display")
export DISPLAY

rm -rf "$scratch"
mkdir -p "$scratch/sample/a" "$scratch/sample/b"
head -c 50000 /dev/urandom >"$scratch/sample/a/photo.jpg"
cp "$scratch/sample/a/photo.jpg" "$scratch/sample/b/photo.jpg"
cp "$setup" "$scratch/"
setup="C:\\lanbrook-test\\$(basename "$setup")"
# Wine starts in the Windows folder when the Linux one is no folder of it.
cd "$drive_c"

# The prefix's files, without the temporary folders Wine and the
# uninstaller use.
snapshot() {
    (cd "$drive_c" && find . -ipath '*/temp' -prune -o -print | LC_ALL=C sort)
}
# reg_value KEY NAME: a value of the registry, empty when missing.
reg_value() {
    wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        sed -nE "s/^ +$2 +REG_[A-Z_]+ +(.*)$/\1/p"
}
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Lanbrook'
database() {
    find "$drive_c/users" -maxdepth 4 -path '*/FileInfoData/FileInfo__.db' -print -quit
}
# run_uninstaller ROOT [ARGUMENT...]: the quiet uninstall the list of
# programs names, with more arguments; waits for the copy of itself that the
# uninstaller starts from the temporary folder (~nsu*.tmp), at most a minute.
run_uninstaller() {
    local quiet exe args i
    quiet=$(reg_value "$1\\$uninstall_key" QuietUninstallString)
    [[ $quiet =~ ^\"([^\"]+)\"\ (.*)$ ]] || fail "QuietUninstallString is '$quiet'"
    exe=${BASH_REMATCH[1]}
    read -r -a args <<<"${BASH_REMATCH[2]}"
    wine "$exe" "${args[@]}" "${@:2}" </dev/null >/dev/null 2>&1 || fail "the uninstaller failed"
    for ((i = 0; i < 120; i++)); do
        pgrep -f '~nsu' >/dev/null || return 0
        sleep 0.5
    done
    fail "the uninstaller still runs after a minute"
}
# check_installed ROOT PROGRAMS_FOLDER START_MENU: the files, the shortcut
# and the entry in the list of programs one install made; then both programs
# run from where the list of programs says they are.
check_installed() {
    local root=$1 expected=$2 menu=$3 location dir
    location=$(reg_value "$root\\$uninstall_key" InstallLocation)
    [[ ${location,,} == "${expected,,}" ]] || fail "InstallLocation is '$location', not '$expected'"
    [[ $(reg_value "$root\\$uninstall_key" DisplayName) == Lanbrook ]] || fail "no DisplayName under $root"
    [[ $(reg_value "$root\\$uninstall_key" DisplayVersion) == "$version" ]] || fail "DisplayVersion is not $version"
    dir=$(winepath -u "$location")
    for f in lanbrook.exe lanbrook-scan.exe uninstall.exe 说明.txt LICENSES relink/relink.sh; do
        [[ -e $dir/$f ]] || fail "the install lacks $location\\$f"
    done
    [[ -f $(winepath -u "$menu")/Lanbrook.lnk ]] || fail "no Lanbrook.lnk in $menu"

    start_window_program "$dir/lanbrook.exe"
    wine "$dir/lanbrook-scan.exe" -q 'C:\lanbrook-test\sample' </dev/null >"$build/installer-scan.log" 2>&1 ||
        fail "the installed lanbrook-scan.exe failed: $(cat "$build/installer-scan.log")"
    grep -q photo.jpg "$build/installer-scan.log" || fail "lanbrook-scan.exe found no copies"
    [[ -n $(database) ]] || fail "no database after lanbrook-scan.exe"
}
# start_window_program EXE: starts the window program on the Xvfb display
# and ends it again. Without a database, its first start analyses at once
# and writes one: the test waits for it. Either way the program must still
# run some seconds later.
start_window_program() {
    local pid had_database i
    had_database=$(database)
    wine "$1" </dev/null >"$build/installer-window.log" 2>&1 &
    pid=$!
    for ((i = 0; i < 120 && ${#had_database} == 0; i++)); do
        [[ -n $(database) ]] && break
        kill -0 $pid 2>/dev/null || fail "lanbrook.exe ended at once: $(cat "$build/installer-window.log")"
        sleep 0.5
    done
    [[ -n $(database) ]] || fail "lanbrook.exe wrote no database within 60 s"
    sleep 5
    kill -0 $pid 2>/dev/null || fail "lanbrook.exe ended: $(cat "$build/installer-window.log")"
    wine taskkill /f /im lanbrook.exe </dev/null >/dev/null 2>&1 || true
    wait $pid 2>/dev/null || true
    wineserver -w
}
# check_removed ROOT INSTALL_DIR START_MENU BEFORE [ALLOWED]: nothing of the
# install is left; the files of C: are those of BEFORE apart from the
# paths matching the pattern ALLOWED.
check_removed() {
    local root=$1 dir=$2 menu=$3 before=$4 allowed=${5:-^$} changed
    [[ ! -e $(winepath -u "$dir") ]] || fail "$dir is left after the uninstall"
    [[ ! -e $(winepath -u "$menu")/Lanbrook.lnk ]] || fail "the Start-menu entry is left"
    [[ -z $(reg_value "$root\\$uninstall_key" DisplayName) ]] || fail "the entry under $root is left"
    changed=$(diff <(echo "$before") <(snapshot) | sed -n 's/^[<>] //p' | grep -vE "$allowed" || true)
    [[ -z $changed ]] || fail "the prefix changed: $changed"
}

all_users_dir='C:\Program Files\Lanbrook'
all_users_menu='C:\ProgramData\Microsoft\Windows\Start Menu\Programs'
before=$(snapshot)

step "install for all users, silently, twice (the second as an upgrade would)"
for _ in 1 2; do
    wine "$setup" /S </dev/null >/dev/null 2>&1 || fail "the installer failed"
    wineserver -w
done
check_installed HKLM "$all_users_dir" "$all_users_menu"
step "install and uninstall while the window program runs: refused, nothing changed"
installed=$(winepath -u "$all_users_dir")
wine "$installed/lanbrook.exe" </dev/null >/dev/null 2>&1 &
window_pid=$!
sleep 5
kill -0 $window_pid 2>/dev/null || fail "lanbrook.exe did not start again"
set +e
wine "$setup" /S </dev/null >/dev/null 2>&1
status=$?
set -e
((status == 2)) || fail "installing over the running program ended with $status, not 2"
run_uninstaller HKLM
[[ -n $(reg_value "HKLM\\$uninstall_key" DisplayName) ]] || fail "the refused uninstall removed the entry"
for f in lanbrook.exe lanbrook-scan.exe uninstall.exe 说明.txt LICENSES; do
    [[ -e $installed/$f ]] || fail "the refused uninstall removed $f"
done
[[ -f $(winepath -u "$all_users_menu")/Lanbrook.lnk ]] || fail "the refused uninstall removed the shortcut"
wine taskkill /f /im lanbrook.exe </dev/null >/dev/null 2>&1 || true
wait $window_pid 2>/dev/null || true
wineserver -w

step "uninstall; the database stays"
run_uninstaller HKLM
wineserver -w
check_removed HKLM "$all_users_dir" "$all_users_menu" "$before" '/FileInfoData(/|$)'
[[ -n $(database) ]] || fail "the uninstall removed the user's database"

step "install for the current user, silently"
profile=$(wine cmd /c 'echo %USERPROFILE%' </dev/null 2>/dev/null | tr -d '\r')
user_dir="$profile\\AppData\\Local\\Programs\\Lanbrook"
user_menu="$profile\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"
wine "$setup" /S /CurrentUser </dev/null >/dev/null 2>&1 || fail "the per-user installer failed"
wineserver -w
check_installed HKCU "$user_dir" "$user_menu"
[[ -z $(reg_value "HKLM\\$uninstall_key" DisplayName) ]] || fail "a per-user install wrote HKLM"
step "uninstall with /REMOVEDATA; the database goes too"
run_uninstaller HKCU /REMOVEDATA
wineserver -w
# The user's programs folder is Windows' own (FOLDERID_UserProgramFiles); a
# fresh Wine prefix lacks it, the installer makes it, and it stays.
check_removed HKCU "$user_dir" "$user_menu" "$before" '^\./users/[^/]+/AppData/Local/Programs$'
echo "test-windows-installer: done in ${SECONDS} s"
