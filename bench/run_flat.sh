#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Memory of the scan over large flat folders: a tree of --folders folders of
# --files empty files each (default 300 x 10 000, three million files), made
# once in a cache folder. lanbrook-scan -q runs a first scan and a rescan of
# it twice under /usr/bin/time -v: with the walker's default lookahead budget
# (8 MiB), and with LANBROOK_LOOKAHEAD_KIB=1, which holds no listing ahead of
# the scanner beyond the one folder in hand. The difference between the two
# peaks is what the listings held ahead cost; it must stay within the budget.
#
#   bench/run_flat.sh [--folders N] [--files N] [--rounds N] [--remove]
#
# --remove deletes the tree afterwards (it takes one inode a file).
# Environment: LANBROOK_SCAN (a lanbrook-scan binary instead of the Release
# build), LANBROOK_BENCH_BUILD (build folder, default build-bench-release),
# LANBROOK_BENCH_CACHE (tree cache, default /tmp/lanbrook-bench).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${LANBROOK_BENCH_BUILD:-$repo/build-bench-release}
cache=${LANBROOK_BENCH_CACHE:-/tmp/lanbrook-bench}
folders=300 files=10000 rounds=1 remove=0
budget_kib=8192

die() {
    echo "run_flat: $*" >&2
    exit 1
}

parse_arguments() {
    while [[ $# -gt 0 ]]; do
        case $1 in
            --folders) folders=$2; shift 2 ;;
            --files) files=$2; shift 2 ;;
            --rounds) rounds=$2; shift 2 ;;
            --remove) remove=1; shift ;;
            -h | --help) sed -n '3,17p' "$0"; exit 0 ;;
            *) die "unknown argument $1 (see --help)" ;;
        esac
    done
}

build_scan() {
    [[ -x /usr/bin/time ]] || apt-get install -y time >/dev/null || die "cannot install GNU time"
    if [[ -n ${LANBROOK_SCAN:-} ]]; then
        scan=$LANBROOK_SCAN
    else
        echo "== build (Release) in $build"
        [[ -f $build/CMakeCache.txt ]] ||
            cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLANBROOK_BUILD_TESTS=OFF \
                -DLANBROOK_BUILD_UI=OFF >/dev/null
        cmake --build "$build" -j2 --target lanbrook-scan >"$work/build.log" 2>&1 ||
            { tail -n 20 "$work/build.log" >&2; die "build failed"; }
        scan=$(find "$build" -type f -name lanbrook-scan -perm -u+x -print -quit)
    fi
    [[ -n $scan && -x $scan ]] || die "lanbrook-scan not found; set LANBROOK_SCAN"
}

# The tree, made again only when its shape changed. Names of some 40 bytes,
# as long as usual file names.
make_tree() {
    tree=$cache/flat-$folders-$files
    if [[ -f $tree.done ]]; then return; fi
    echo "== making $folders folders of $files empty files in $tree"
    rm -rf "$tree"
    local i
    for ((i = 0; i < folders; i++)); do
        mkdir -p "$tree/folder-$i"
        (cd "$tree/folder-$i" && seq -f "file-%06g-of-a-flat-folder.dat" 0 $((files - 1)) |
            xargs touch)
    done
    touch "$tree.done"
}

# measure LABEL BUDGET-KIB ARGS...: one scan; appends "LABEL wall-ms peak-KiB cpu-ms".
measure() {
    local label=$1 kib=$2 start end
    shift 2
    start=$(date +%s%N)
    env "USERPROFILE=$work/profile-$kib" "LANBROOK_DRIVES=C:=$tree;D:=$work" \
        "LANBROOK_LOOKAHEAD_KIB=$kib" /usr/bin/time -v -o "$work/time.txt" "$scan" -q "$@" \
        >"$work/out.txt" 2>&1 || { tail -n 5 "$work/out.txt" >&2; die "$label failed"; }
    end=$(date +%s%N)
    echo "$label $(((end - start) / 1000000)) $(awk -F': ' '/Maximum resident/ {k = $2}
        /User time|System time/ {c += $2} END {print k, int(c * 1000)}' "$work/time.txt")" \
        >>"$work/samples.txt"
}

one_round() {
    local kib
    for kib in "$budget_kib" 1; do
        rm -rf "$work/profile-$kib" && mkdir -p "$work/profile-$kib"
        measure "first-$kib" "$kib"
        measure "rescan-$kib" "$kib"
    done
}

median() {
    awk -v l="$1" -v f="$2" '$1 == l {print $f}' "$work/samples.txt" | sort -n |
        awk '{v[NR] = $1} END {print NR ? v[int((NR + 1) / 2)] : "-"}'
}

print_table() {
    echo
    echo "== $folders folders x $files empty files, medians of $rounds rounds;" \
        "load $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
    printf '%-8s %-22s %9s %9s %10s\n' scan lookahead wall-s cpu-s "peak MiB"
    local kind kib
    for kind in first rescan; do
        for kib in "$budget_kib" 1; do
            awk -v k="$kind" -v b="$kib" -v ms="$(median "$kind-$kib" 2)" \
                -v p="$(median "$kind-$kib" 3)" -v c="$(median "$kind-$kib" 4)" 'BEGIN {
                printf "%-8s %-22s %9.2f %9.2f %10.1f\n", k,
                    (b == 1 ? "none (1 KiB)" : "budget " b / 1024 " MiB"), ms / 1000, c / 1000,
                    p / 1024 }'
        done
        awk -v k="$kind" -v with="$(median "$kind-$budget_kib" 3)" \
            -v without="$(median "$kind-1" 3)" -v b="$budget_kib" 'BEGIN {
            printf "%-8s held ahead: %.1f MiB of a %.0f MiB budget: %s\n", k,
                (with - without) / 1024, b / 1024, (with - without <= b) ? "within" : "BEYOND" }'
    done
}

main() {
    parse_arguments "$@"
    work=$(mktemp -d /tmp/lanbrook-flat.XXXXXX)
    trap 'rm -rf "$work"' EXIT
    build_scan
    make_tree
    : >"$work/samples.txt"
    local round
    for ((round = 1; round <= rounds; round++)); do
        echo "== round $round of $rounds"
        one_round
    done
    print_table | tee "$cache/flat-results.txt"
    if [[ $remove -eq 1 ]]; then rm -rf "$tree" "$tree.done"; fi
}

main "$@"
