# SPDX-License-Identifier: MIT
# Sourced by the Windows scripts: what they share. Debian source packages
# fetched and unpacked with Debian's patches applied, through a private apt
# configuration whose deb-src entries are derived from the system's own (the
# system's apt configuration stays as it is); SQLite's amalgamation made from
# one; packages installed when missing; Wine prefixes that hide Linux.

# Runs a command with its output in a log file, shown only when it fails.
logged() {
    local log=$1
    shift
    if ! "$@" >"$log" 2>&1; then
        echo "failed: $*" >&2
        tail -n 40 "$log" >&2
        return 1
    fi
}

# debian_source WORKDIR PACKAGE VERSION: unpacks PACKAGE=VERSION into
# WORKDIR/src (WORKDIR is emptied first; its logs stay beside the source).
debian_source() {
    local work=$1 package=$2 version=$3 f
    rm -rf "$work"
    mkdir -p "$work/etc/sources.list.d" "$work/lists/partial" "$work/cache/archives/partial"
    : >"$work/etc/sources.list"
    # deb822 files: the same archives, source packages instead of binaries.
    for f in /etc/apt/sources.list.d/*.sources; do
        [[ -e $f ]] || continue
        sed -E 's/^Types:.*/Types: deb-src/' "$f" >"$work/etc/sources.list.d/$(basename "$f")"
    done
    # One-line files: every "deb" line again as "deb-src".
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [[ -e $f ]] || continue
        sed -nE 's/^[[:space:]]*deb([[:space:]])/deb-src\1/p' "$f" >>"$work/etc/sources.list"
    done
    local apt=(apt-get -q -o Dir::Etc::sourcelist="$work/etc/sources.list"
        -o Dir::Etc::sourceparts="$work/etc/sources.list.d"
        -o Dir::State::Lists="$work/lists" -o Dir::Cache="$work/cache")
    logged "$work/update.log" "${apt[@]}" update
    (cd "$work" && logged source.log "${apt[@]}" source --download-only "$package=$version")
    # apt has checked the files against the archive's signed index; dpkg-source
    # finds no key for the uploader's own signature and says so in its log.
    (cd "$work" && logged extract.log dpkg-source -x "${package}_"*.dsc src)
}

# install_missing PACKAGE...: installs the Debian packages not yet installed.
install_missing() {
    local missing=() p sudo_cmd=()
    [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$p")
    done
    ((${#missing[@]})) || return 0
    echo "installing ${missing[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -q >&2
    "${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}" >&2
}

# make_sqlite_amalgamation FOLDER: SQLite's amalgamation (sqlite3.c,
# sqlite3.h) of the version libsqlite3-dev has, made from Debian's source
# package with Debian's patches applied, kept in FOLDER/sqlite-<version>.
# Prints the folder holding the two files.
make_sqlite_amalgamation() {
    local build=$1 version work out
    version=$(dpkg-query -W -f='${Version}' libsqlite3-dev)
    out=$build/sqlite-$version
    if [[ -f $out/sqlite3.c && -f $out/sqlite3.h ]]; then
        echo "$out"
        return
    fi
    work=$build/sqlite-source
    debian_source "$work" sqlite3 "$version"
    mkdir -p "$work/src/bld"
    (cd "$work/src/bld" && logged ../../configure.log ../configure &&
        logged ../../make.log make sqlite3.c)
    mkdir -p "$out.partial"
    cp "$work/src/bld/sqlite3.c" "$work/src/bld/sqlite3.h" "$out.partial/"
    rm -rf "$out"
    mv "$out.partial" "$out"
    rm -rf "$work"
    echo "$out"
}

# prepare_closed_prefix PREFIX: makes a fresh Wine prefix show nothing of the
# Linux file system: drive Z: (the root) removed, the profile's folders (links
# to the Linux home) made real folders of the prefix.
prepare_closed_prefix() {
    local prefix=$1 link
    rm -f "$prefix/dosdevices/z:"
    while IFS= read -r -d '' link; do
        rm "$link"
        mkdir -p "$link"
    done < <(find "$prefix/drive_c" -type l -lname '/*' -print0)
}

# clean_prefix_temp PREFIX: removes what earlier runs left in the prefix's
# temporary folders.
clean_prefix_temp() {
    local prefix=$1 temp
    while IFS= read -r -d '' temp; do
        find "$temp" -mindepth 1 -maxdepth 1 -exec rm -rf {} +
    done < <(find "$prefix/drive_c/users" -maxdepth 5 -type d -name Temp -print0)
}
