#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Clean-up benchmark. First the planner alone (bench/cleanup/cleanup_plan:
# 100,000 classes made in memory, three lists of keep rules). Then the moves:
# `lanbrook-scan --trash-copies --keep oldest --yes` on the benchmark corpus
# (bench/make_corpus, as run_scan.sh makes it; a fifth of its files are
# copies), after a `--verify` run has filled the database and the hash
# cache. Each round works on a copy of the corpus made of hard links (so the
# corpus itself loses nothing, and each copy in the work tree is still a file
# of its own there), with a trash of its own on the same file system. The
# clean-up's own time (lanbrook-scan prints it under cleanup.seconds: the
# plan carried out, each file compared byte for byte with the one that stays
# and renamed into the trash, rows removed, the move recorded) gives files and
# MB per second; warm rounds first, then cold ones with the page cache
# dropped before the clean-up run (root only). Medians.
#
# Environment: LANBROOK_BENCH_BUILD (build folder, default
# build-bench-release), LANBROOK_BENCH_CACHE (corpus cache, default
# /tmp/lanbrook-bench).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${LANBROOK_BENCH_BUILD:-$repo/build-bench-release}
cache=${LANBROOK_BENCH_CACHE:-/tmp/lanbrook-bench}
files=100000 folders=8000 seed=20261209 warm_runs=3 cold_runs=3

usage() {
    cat <<USAGE
usage: bench/run_cleanup.sh [--runs N] [--cold-runs N]
  --runs N        warm rounds (default 3)
  --cold-runs N   cold rounds (default 3; 0 skips them; they need root)
USAGE
}

die() {
    echo "run_cleanup: $*" >&2
    exit 1
}

parse_arguments() {
    while [[ $# -gt 0 ]]; do
        case $1 in
            --runs) warm_runs=$2; shift 2 ;;
            --cold-runs) cold_runs=$2; shift 2 ;;
            -h | --help) usage; exit 0 ;;
            *) usage >&2; exit 2 ;;
        esac
    done
    [[ $cold_runs -eq 0 || $(id -u) -eq 0 ]] || die "cold rounds drop the page cache: run as root"
}

build_programs() {
    echo "== build (Release) in $build"
    if [[ ! -f $build/CMakeCache.txt ]]; then
        cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLANBROOK_BUILD_BENCH=ON \
            -DLANBROOK_BUILD_TESTS=OFF -DLANBROOK_BUILD_UI=OFF >/dev/null
    fi
    cmake --build "$build" -j2 --target make_corpus lanbrook-scan cleanup_plan >/dev/null
    scan=$(find "$build" -type f -name lanbrook-scan -perm -u+x -print -quit)
    [[ -x $scan ]] || die "lanbrook-scan not built"
}

# shellcheck source=lib/corpus.sh
source "$repo/bench/lib/corpus.sh"

# One round: a fresh work tree and database, the check, then the clean-up
# measured. Appends "MODE FILES BYTES SECONDS WALL" to the samples.
round() {
    local mode=$1
    rm -rf "$work/tree" "$work/profile" "$work/data"
    mkdir -p "$work/profile" "$work/data"
    cp -al "$corpus" "$work/tree"
    local -a env=(env "USERPROFILE=$work/profile" "LANBROOK_DRIVES=C:=$work/tree;D:=$work/profile"
        "XDG_DATA_HOME=$work/data")
    "${env[@]}" "$scan" -q --verify >/dev/null
    if [[ $mode == cold ]]; then
        sync
        echo 3 >/proc/sys/vm/drop_caches
    fi
    local start end
    start=$(date +%s%N)
    "${env[@]}" "$scan" -q --json --trash-copies --keep oldest --yes >"$work/cleanup.json" ||
        die "the clean-up failed (status $?)"
    end=$(date +%s%N)
    python3 - "$work/cleanup.json" "$mode" $(((end - start) / 1000)) >>"$work/samples.txt" <<'PY'
import json, sys
result = json.load(open(sys.argv[1]))["cleanup"]
print(sys.argv[2], len(result["moved"]), result["bytes_freed"], result["seconds"],
      int(sys.argv[3]) / 1e6, len(result["refused"]))
PY
}

print_table() {
    echo "Clean-up of the corpus ($files files), medians; load before: $load; $(nproc) cores"
    local mode
    for mode in warm cold; do
        awk -v mode="$mode" '$1 == mode' "$work/samples.txt" | sort -k4 -n |
            awk -v mode="$mode" '{r[NR] = $0} END {
                if (NR == 0) exit
                split(r[int((NR + 1) / 2)], f, " ")
                printf "  %-4s %6d files moved, %8.1f MB freed in %6.2f s (%.2f s with scan and check):" \
                    " %7.0f files/s, %6.1f MB/s; refused %d; %d rounds\n",
                    mode, f[2], f[3] / 1e6, f[4], f[5], f[2] / f[4], f[3] / 1e6 / f[4], f[6], NR
            }'
    done
}

main() {
    parse_arguments "$@"
    work=$(mktemp -d /tmp/lanbrook-cleanup-bench.XXXXXX)
    trap 'rm -rf "$work"' EXIT
    build_programs
    echo "== the planner alone"
    "$build/bench/cleanup/cleanup_plan" 100000 5 | tee "$work/plan.txt"
    prepare_corpus
    : >"$work/samples.txt"
    load=$(cut -d' ' -f1-3 /proc/loadavg)
    local run
    echo "== moves: $warm_runs warm and $cold_runs cold rounds"
    for ((run = 1; run <= warm_runs; run++)); do round warm; done
    for ((run = 1; run <= cold_runs; run++)); do round cold; done
    {
        cat "$work/plan.txt"
        print_table
    } | tee "$cache/cleanup-results.txt"
}

main "$@"
