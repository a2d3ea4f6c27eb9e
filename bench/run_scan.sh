#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Scan benchmark. Builds the Release programs, generates the corpus once (kept
# in a cache folder while the generator and its arguments stay the same),
# warms the page cache with one walk, then measures the two floor programs,
# a first scan and a rescan of lanbrook-scan, and the peer tools that are
# installed, and prints medians, ratios to the floors, peak memory and goals.
#
# Environment: LANBROOK_SCAN (the lanbrook-scan binary), LANBROOK_BENCH_BUILD
# (build folder, default build-bench-release), LANBROOK_BENCH_CACHE (corpus
# cache, default /tmp/lanbrook-bench).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${LANBROOK_BENCH_BUILD:-$repo/build-bench-release}
cache=${LANBROOK_BENCH_CACHE:-/tmp/lanbrook-bench}
files=100000 folders=8000 seed=20261209 scale=1 runs=3 floors_only=0

usage() {
    cat <<EOF
usage: bench/run_scan.sh [--files N] [--folders N] [--seed N] [--size-scale X]
                         [--runs N] [--floors-only]
  --floors-only   measure the floors and the peer tools without lanbrook-scan
EOF
}

parse_arguments() {
    while [[ $# -gt 0 ]]; do
        case $1 in
            --files) files=$2; shift 2 ;;
            --folders) folders=$2; shift 2 ;;
            --seed) seed=$2; shift 2 ;;
            --size-scale) scale=$2; shift 2 ;;
            --runs) runs=$2; shift 2 ;;
            --floors-only) floors_only=1; shift ;;
            -h | --help) usage; exit 0 ;;
            *) usage >&2; exit 2 ;;
        esac
    done
}

die() {
    echo "run_scan: $*" >&2
    exit 1
}

ensure_time() {
    [[ -x /usr/bin/time ]] && return
    echo "== installing GNU time"
    local sudo=""
    [[ $(id -u) -eq 0 ]] || sudo=sudo
    $sudo apt-get install -y time >/dev/null || die "cannot install GNU time (apt-get install time)"
}

build_programs() {
    echo "== build (Release) in $build"
    if [[ ! -f $build/CMakeCache.txt ]]; then
        cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLANBROOK_BUILD_BENCH=ON \
            -DLANBROOK_BUILD_TESTS=OFF -DLANBROOK_BUILD_UI=OFF >/dev/null
    fi
    cmake --build "$build" -j2 --target make_corpus floor_fingerprint floor_walk >/dev/null
    [[ $floors_only -eq 1 || -n ${LANBROOK_SCAN:-} ]] && return
    if ! cmake --build "$build" -j2 --target lanbrook-scan >"$work/build-scan.log" 2>&1; then
        tail -n 20 "$work/build-scan.log" >&2
        die "cannot build lanbrook-scan (no such target yet?); set LANBROOK_SCAN to a built" \
            "binary or pass --floors-only"
    fi
}

find_scan() {
    local scan=${LANBROOK_SCAN:-}
    if [[ -z $scan ]]; then
        scan=$(find "$build" -type f -name lanbrook-scan -perm -u+x -print -quit)
    fi
    [[ -n $scan && -x $scan ]] || die "lanbrook-scan not found (looked for ${scan:-it in $build});" \
        "set LANBROOK_SCAN or pass --floors-only"
    echo "$scan"
}

# A listing of names, modes, sizes, times and contents, for comparing trees.
tree_listing() {
    (
        cd "$1"
        find . -type d -printf '%p %m %T@\n' | LC_ALL=C sort
        find . -type f -printf '%p %m %s %T@\n' | LC_ALL=C sort
        find . -type f -print0 | LC_ALL=C sort -z | xargs -0 -r sha256sum
    )
}

check_determinism() {
    echo "== determinism check (small corpus twice)"
    local generator=$build/bench/make_corpus
    "$generator" --files 500 --folders 60 --seed "$seed" "$work/same-a" >/dev/null
    "$generator" --files 500 --folders 60 --seed "$seed" "$work/same-b" >/dev/null
    diff <(tree_listing "$work/same-a") <(tree_listing "$work/same-b") >/dev/null ||
        die "make_corpus gave two different trees for the same arguments"
    rm -rf "$work/same-a" "$work/same-b"
}

prepare_corpus() {
    corpus=$cache/corpus
    local stamp
    stamp=$( (cd "$repo/bench" && cat make_corpus.cpp CorpusPlan.* CorpusWriter.* Random.h;
        echo "$files $folders $seed $scale") | sha256sum | cut -d' ' -f1)
    if [[ -d $corpus && -f $cache/corpus.stamp && $(cat "$cache/corpus.stamp") == "$stamp" ]]; then
        echo "== corpus reused: $corpus"
        return
    fi
    echo "== generating the corpus in $corpus"
    mkdir -p "$cache"
    rm -rf "$corpus" "$cache/corpus.stamp"
    "$build/bench/make_corpus" --files "$files" --folders "$folders" --seed "$seed" \
        --size-scale "$scale" "$corpus" | tee "$cache/corpus.txt"
    echo "$stamp" >"$cache/corpus.stamp"
}

# measure LABEL COMMAND...: runs the command under GNU time and appends
# "LABEL wall-microseconds peak-KiB cpu-seconds" to the samples file. Fails on
# a failing command.
measure() {
    local label=$1
    shift
    local start end
    start=$(date +%s%N)
    if ! /usr/bin/time -v -o "$work/time.txt" "$@" >"$work/out.txt" 2>&1; then
        tail -n 20 "$work/out.txt" >&2
        die "$label failed: $*"
    fi
    end=$(date +%s%N)
    awk -F': ' -v label="$label" -v us=$(((end - start) / 1000)) '
        /User time/ {cpu += $2} /System time/ {cpu += $2}
        /Maximum resident set size/ {rss = $2}
        END {print label, us, rss, cpu}' "$work/time.txt" >>"$work/samples.txt"
}

# A failing peer is reported and left out; it does not end the benchmark.
measure_peer() {
    (measure "$@") || echo "run_scan: $1 left out" >&2
}

run_floors() {
    echo "== warm-up walk"
    "$build/bench/floor_fingerprint" "$corpus"
    "$build/bench/floor_walk" "$corpus"
    echo "== floors ($runs runs each)"
    for ((run = 1; run <= runs; run++)); do
        measure floor_walk "$build/bench/floor_walk" "$corpus"
        measure floor_fingerprint "$build/bench/floor_fingerprint" "$corpus"
    done
}

# Each first scan gets a fresh profile. The profiles live on a second mapped
# drive, so that the data directory can be expressed in drive form without
# adding anything to the corpus; that drive holds nothing else.
run_scans() {
    local scan=$1
    echo "== lanbrook-scan: $scan ($runs first scans and rescans)"
    local profiles=$work/profiles
    for ((run = 1; run <= runs; run++)); do
        mkdir -p "$profiles/run-$run"
        local -a env_args=(env "USERPROFILE=$profiles/run-$run"
            "LANBROOK_DRIVES=C:=$corpus;D:=$profiles")
        measure scan_first "${env_args[@]}" "$scan" -q
        [[ $run -gt 1 ]] || sed -n '1,8s/^/  first scan: /p' "$work/out.txt"
        measure scan_rescan "${env_args[@]}" "$scan" -q
    done
}

run_peers() {
    local peers=0
    if command -v fdupes >/dev/null; then
        for ((run = 1; run <= runs; run++)); do measure_peer fdupes fdupes -r "$corpus"; done
        peers=1
    fi
    if command -v jdupes >/dev/null; then
        for ((run = 1; run <= runs; run++)); do
            measure_peer jdupes jdupes -r -q -Q "$corpus"
        done
        peers=1
    fi
    if command -v rmlint >/dev/null; then
        # rmlint writes its findings as files: keep them in the work folder.
        for ((run = 1; run <= runs; run++)); do
            measure_peer rmlint rmlint "$corpus" -o "json:$work/rmlint.json" \
                -o "sh:$work/rmlint.sh"
        done
        peers=1
    fi
    [[ $peers -eq 1 ]] || echo "== no peer tool installed (fdupes, jdupes, rmlint)"
}

# median LABEL FIELD: the median of one field (2 = wall microseconds, 3 = peak
# KiB, 4 = CPU seconds) over the samples of LABEL; "-" when there are none.
median() {
    awk -v label="$1" -v field="$2" '$1 == label {print $field}' "$work/samples.txt" | sort -n |
        awk '{v[NR] = $1} END {if (NR == 0) print "-"; else print v[int((NR + 1) / 2)]}'
}

# row NAME LABEL FLOOR-LABEL GOAL-RATIO: one line of the table.
row() {
    local name=$1 label=$2 floor=$3 goal=$4
    local us kib cpu floor_us
    us=$(median "$label" 2)
    [[ $us == - ]] && return
    kib=$(median "$label" 3)
    cpu=$(median "$label" 4)
    floor_us=$(median "$floor" 2)
    awk -v name="$name" -v us="$us" -v kib="$kib" -v cpu="$cpu" -v floor="$floor" \
        -v fus="$floor_us" -v goal="$goal" 'BEGIN {
        ratio = (fus == "-" || floor == "-") ? "" : sprintf("%.2fx", us / fus)
        verdict = ""
        if (goal != "-") {
            verdict = (us / fus <= goal) ? "met" : "MISSED"
            verdict = verdict sprintf(" (<= %.1fx)", goal)
            verdict = verdict ((kib / 1024 < 100) ? ", memory met" : ", memory MISSED")
        }
        printf "%-22s %8.3f %7.2f  %-18s %7s  %8.1f  %s\n", name, us / 1e6, cpu, floor, ratio,
            kib / 1024, verdict
    }'
}

print_table() {
    echo
    echo "Median of $runs runs, warm page cache; corpus: $(cat "$cache/corpus.txt")"
    echo "Load average before the runs: $load on $(nproc) cores"
    if awk -v load="${load%% *}" -v cores="$(nproc)" 'BEGIN {exit !(load > cores / 2)}'; then
        echo "warning: the machine was busy; wall times are inflated (cpu-s is steadier)"
    fi
    printf '%-22s %8s %7s  %-18s %7s  %8s  %s\n' what wall-s cpu-s floor ratio "peak MiB" goal
    row floor_walk floor_walk - -
    row floor_fingerprint floor_fingerprint - -
    row "lanbrook-scan first" scan_first floor_fingerprint 1.2
    row "lanbrook-scan rescan" scan_rescan floor_walk 1.5
    row "fdupes -r" fdupes floor_fingerprint -
    row "jdupes -r -q -Q" jdupes floor_fingerprint -
    row "rmlint" rmlint floor_fingerprint -
    echo "goals: first scan <= 1.2x fingerprint floor, rescan <= 1.5x walk floor, peak < 100 MiB"
}

main() {
    parse_arguments "$@"
    work=$(mktemp -d /tmp/lanbrook-bench-run.XXXXXX)
    trap 'rm -rf "$work"' EXIT
    ensure_time
    build_programs
    local scan=""
    [[ $floors_only -eq 1 ]] || scan=$(find_scan)
    check_determinism
    prepare_corpus
    : >"$work/samples.txt"
    load=$(cut -d' ' -f1-3 /proc/loadavg)
    run_floors
    [[ -z $scan ]] || run_scans "$scan"
    run_peers
    print_table | tee "$cache/last-results.txt"
}

main "$@"
