#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Content check benchmark: a first `lanbrook-scan -q --verify` (fresh
# database: the scan, the index and the check of every duplicate group) and a
# second one over the unchanged tree (incremental scan, hashes from the
# cache), side by side with the exact duplicate finders Debian packages
# (jdupes, rdfind, fdupes, duff, rmlint; installed when missing). Two trees:
# the benchmark corpus (bench/make_corpus, as run_scan.sh makes it) and a
# real tree of this machine (default /usr/share and /usr/lib, mapped as C:
# and E:). Each round runs every program once, in turn (interleaved), first
# with a warm page cache, then cold (caches dropped before each program,
# which needs root); the table gives medians.
#
# Environment: LANBROOK_BENCH_BUILD (build folder, default
# build-bench-release), LANBROOK_BENCH_CACHE (corpus cache, default
# /tmp/lanbrook-bench).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${LANBROOK_BENCH_BUILD:-$repo/build-bench-release}
cache=${LANBROOK_BENCH_CACHE:-/tmp/lanbrook-bench}
files=100000 folders=8000 seed=20261209 warm_runs=3 cold_runs=3
real_trees=(/usr/share /usr/lib)
trees=(corpus real)

usage() {
    cat <<USAGE
usage: bench/run_verify.sh [--runs N] [--cold-runs N] [--only corpus|real]
                           [--real DIR[,DIR...]]
  --runs N        warm rounds (default 3)
  --cold-runs N   cold rounds (default 3; 0 skips them; they need root)
  --only TREE     measure one tree only
  --real DIRS     the real tree: up to 3 folders, mapped as C:, E:, F:
USAGE
}

die() {
    echo "run_verify: $*" >&2
    exit 1
}

parse_arguments() {
    while [[ $# -gt 0 ]]; do
        case $1 in
            --runs) warm_runs=$2; shift 2 ;;
            --cold-runs) cold_runs=$2; shift 2 ;;
            --only) trees=("$2"); shift 2 ;;
            --real) IFS=, read -r -a real_trees <<<"$2"; shift 2 ;;
            -h | --help) usage; exit 0 ;;
            *) usage >&2; exit 2 ;;
        esac
    done
}

ensure_tools() {
    local missing=() tool
    for tool in jdupes rdfind fdupes duff rmlint time; do
        [[ $tool == time && -x /usr/bin/time ]] && continue
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
    ((${#missing[@]})) || return 0
    echo "== installing ${missing[*]}"
    local sudo=()
    [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q "${missing[@]}" >/dev/null ||
        die "cannot install ${missing[*]}"
}

build_programs() {
    echo "== build (Release) in $build"
    if [[ ! -f $build/CMakeCache.txt ]]; then
        cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLANBROOK_BUILD_BENCH=ON \
            -DLANBROOK_BUILD_TESTS=OFF -DLANBROOK_BUILD_UI=OFF >/dev/null
    fi
    cmake --build "$build" -j2 --target make_corpus lanbrook-scan >/dev/null
    scan=$(find "$build" -type f -name lanbrook-scan -perm -u+x -print -quit)
    [[ -x $scan ]] || die "lanbrook-scan not built"
}

# shellcheck source=lib/corpus.sh
source "$repo/bench/lib/corpus.sh"

drop_caches() {
    sync
    echo 3 >/proc/sys/vm/drop_caches
}

# measure TREE MODE LABEL COMMAND...: wall microseconds and CPU seconds of
# one run, appended to the samples. A cold run starts with empty caches.
measure() {
    local tree=$1 mode=$2 label=$3
    shift 3
    [[ $mode != cold ]] || drop_caches
    local start end
    start=$(date +%s%N)
    if ! /usr/bin/time -f '%U %S' -o "$work/time.txt" "$@" >"$work/out.txt" 2>&1; then
        tail -n 5 "$work/out.txt" >&2
        echo "run_verify: $label failed on $tree" >&2
        return 0
    fi
    end=$(date +%s%N)
    awk -v key="$tree $mode $label" -v us=$(((end - start) / 1000)) \
        '{print key, us, $1 + $2}' "$work/time.txt" >>"$work/samples.txt"
}

# One round over TREE: every program once, lanbrook-scan's two runs in a row.
round() {
    local tree=$1 mode=$2
    local -a dirs=("${tree_dirs[@]}")
    local profile=$work/profile
    rm -rf "$profile"
    mkdir -p "$profile"
    local -a lanbrook=(env "USERPROFILE=$profile" "LANBROOK_DRIVES=$drive_map;D:=$profile"
        "$scan" -q --verify)
    measure "$tree" "$mode" "lanbrook-first" "${lanbrook[@]}"
    cp "$work/out.txt" "$work/summary-$tree.txt"
    measure "$tree" "$mode" "lanbrook-second" "${lanbrook[@]}"
    measure "$tree" "$mode" "jdupes -r" jdupes -r -q "${dirs[@]}"
    measure "$tree" "$mode" "rdfind" rdfind -outputname "$work/rdfind.txt" "${dirs[@]}"
    measure "$tree" "$mode" "fdupes -r" fdupes -r -q "${dirs[@]}"
    measure "$tree" "$mode" "duff -r" duff -r -q "${dirs[@]}"
    measure "$tree" "$mode" "rmlint" rmlint -T df -o "json:$work/rmlint.json" "${dirs[@]}"
}

set_tree() {
    case $1 in
        corpus)
            tree_dirs=("$corpus")
            drive_map="C:=$corpus" ;;
        real)
            tree_dirs=("${real_trees[@]}")
            local letters=(C E F) i
            drive_map=""
            for i in "${!real_trees[@]}"; do
                drive_map+="${drive_map:+;}${letters[$i]}:=${real_trees[$i]}"
            done ;;
    esac
}

median() {
    awk -v key="$1" '{k = $1 " " $2 " " $3; for (i = 4; i < NF - 1; i++) k = k " " $i}
        k == key {print $(NF - 1), $NF}' "$work/samples.txt" | sort -n |
        awk '{w[NR] = $1; c[NR] = $2} END {if (NR == 0) print "- -";
            else printf "%.2f %.2f\n", w[int((NR + 1) / 2)] / 1e6, c[int((NR + 1) / 2)]}'
}

print_table() {
    local tree mode label
    echo "Median wall seconds (CPU seconds of that run); load before: $load; $(nproc) cores"
    for tree in "${trees[@]}"; do
        set_tree "$tree"
        echo "$tree: ${tree_dirs[*]} ($(find "${tree_dirs[@]}" -type f | wc -l) files)"
        grep -E '^(Files stored|Duplicate groups|Groups |Verified)' "$work/summary-$tree.txt" |
            sed 's/^/  /'
        for mode in warm cold; do
            for label in lanbrook-first lanbrook-second "jdupes -r" rdfind "fdupes -r" "duff -r" \
                rmlint; do
                read -r wall cpu < <(median "$tree $mode $label")
                [[ $wall == - ]] || printf '  %-5s %-16s %8s s  (%s s CPU)\n' "$mode" "$label" \
                    "$wall" "$cpu"
            done
        done
    done
}

main() {
    parse_arguments "$@"
    work=$(mktemp -d /tmp/lanbrook-verify-bench.XXXXXX)
    trap 'rm -rf "$work"' EXIT
    ensure_tools
    build_programs
    prepare_corpus
    : >"$work/samples.txt"
    load=$(cut -d' ' -f1-3 /proc/loadavg)
    local tree run
    for tree in "${trees[@]}"; do
        set_tree "$tree"
        echo "== $tree: warm-up, then $warm_runs warm and $cold_runs cold rounds"
        round "$tree" warm-up
        for ((run = 1; run <= warm_runs; run++)); do round "$tree" warm; done
        for ((run = 1; run <= cold_runs; run++)); do round "$tree" cold; done
    done
    print_table | tee "$cache/verify-results.txt"
}

main "$@"
