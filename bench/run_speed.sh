#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Speed benchmark: lanbrook-scan against the two floor programs and the
# duplicate finders on one tree, side by side in interleaved rounds, with a
# warm or a cold page cache, and medians per program.
#
#   bench/run_speed.sh [--tree corpus|usr|DIR[,DIR...]] [--cache warm|cold|both]
#                      [--rounds N] [--files N] [--folders N] [--size-scale X]
#                      [--no-peers] [--timeout S]
#
# --tree corpus (default) generates the benchmark corpus (bench/make_corpus,
# cached in /tmp/lanbrook-bench like bench/run_scan.sh); --tree usr takes
# /usr/share and /usr/lib together (about 135k files); any other value is a
# comma-separated list of folders. Each folder is mapped as a drive of its
# own (C:, E:, F:, ...); the profile and the database lie on D:, a temporary
# folder that holds nothing else. A cold round empties the page cache before
# every command (sync; echo 3 > /proc/sys/vm/drop_caches: needs root). Each
# command is stopped after --timeout seconds (default 600).
#
# Environment: LANBROOK_SCAN (a lanbrook-scan binary instead of the Release
# build), LANBROOK_BENCH_BUILD (build folder, default build-bench-release),
# LANBROOK_BENCH_CACHE (corpus cache, default /tmp/lanbrook-bench),
# LANBROOK_READERS (reader threads of the scan, passed through).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${LANBROOK_BENCH_BUILD:-$repo/build-bench-release}
cache=${LANBROOK_BENCH_CACHE:-/tmp/lanbrook-bench}
tree=corpus cache_modes=warm rounds=3 files=100000 folders=8000 scale=1 seed=20261209
peers=1 limit=600

die() {
    echo "run_speed: $*" >&2
    exit 1
}

parse_arguments() {
    while [[ $# -gt 0 ]]; do
        case $1 in
            --tree) tree=$2; shift 2 ;;
            --cache) cache_modes=$2; shift 2 ;;
            --rounds) rounds=$2; shift 2 ;;
            --files) files=$2; shift 2 ;;
            --folders) folders=$2; shift 2 ;;
            --size-scale) scale=$2; shift 2 ;;
            --no-peers) peers=0; shift ;;
            --timeout) limit=$2; shift 2 ;;
            -h | --help) sed -n '3,22p' "$0"; exit 0 ;;
            *) die "unknown argument $1 (see --help)" ;;
        esac
    done
    [[ $cache_modes == both ]] && cache_modes="warm cold"
    for mode in $cache_modes; do
        [[ $mode == warm || $mode == cold ]] || die "--cache is warm, cold or both"
    done
}

# The peers and GNU time, installed with apt-get when missing.
ensure_tools() {
    local -a missing=()
    [[ -x /usr/bin/time ]] || missing+=(time)
    if [[ $peers -eq 1 ]]; then
        for tool in jdupes rdfind fdupes duff rmlint; do
            command -v "$tool" >/dev/null || missing+=("$tool")
        done
    fi
    [[ ${#missing[@]} -eq 0 ]] && return
    echo "== installing ${missing[*]}"
    local sudo=""
    [[ $(id -u) -eq 0 ]] || sudo=sudo
    $sudo apt-get install -y "${missing[@]}" >/dev/null || die "cannot install ${missing[*]}"
}

build_programs() {
    echo "== build (Release) in $build"
    if [[ ! -f $build/CMakeCache.txt ]]; then
        cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLANBROOK_BUILD_BENCH=ON \
            -DLANBROOK_BUILD_TESTS=OFF -DLANBROOK_BUILD_UI=OFF >/dev/null
    fi
    local -a targets=(make_corpus floor_fingerprint floor_walk)
    [[ -n ${LANBROOK_SCAN:-} ]] || targets+=(lanbrook-scan)
    cmake --build "$build" -j2 --target "${targets[@]}" >"$work/build.log" 2>&1 ||
        { tail -n 20 "$work/build.log" >&2; die "build failed"; }
    scan=${LANBROOK_SCAN:-$(find "$build" -type f -name lanbrook-scan -perm -u+x -print -quit)}
    [[ -n $scan && -x $scan ]] || die "lanbrook-scan not found; set LANBROOK_SCAN"
}

prepare_tree() {
    case $tree in
        corpus)
            roots=("$cache/corpus")
            local stamp
            stamp=$( (cd "$repo/bench" && cat make_corpus.cpp CorpusPlan.* CorpusWriter.* Random.h
                echo "$files $folders $seed $scale") | sha256sum | cut -d' ' -f1)
            if [[ ! -f $cache/corpus.stamp || $(cat "$cache/corpus.stamp") != "$stamp" ]]; then
                echo "== generating the corpus in $cache/corpus"
                mkdir -p "$cache"
                rm -rf "$cache/corpus" "$cache/corpus.stamp"
                "$build/bench/make_corpus" --files "$files" --folders "$folders" --seed "$seed" \
                    --size-scale "$scale" "$cache/corpus" >"$cache/corpus.txt"
                echo "$stamp" >"$cache/corpus.stamp"
            fi ;;
        usr) roots=(/usr/share /usr/lib) ;;
        *) IFS=, read -r -a roots <<<"$tree" ;;
    esac
    local letters=(C E F G H I J K) i
    drives=""
    [[ ${#roots[@]} -le ${#letters[@]} ]] || die "at most ${#letters[@]} folders"
    for i in "${!roots[@]}"; do
        [[ -d ${roots[$i]} ]] || die "no folder ${roots[$i]}"
        drives+="${letters[$i]}:=${roots[$i]};"
    done
    drives+="D:=$work/profiles"
    mkdir -p "$work/profiles"
    echo "== tree: ${roots[*]} ($(find "${roots[@]}" -type f | wc -l) files," \
        "$(du -sh --apparent-size "${roots[@]}" 2>/dev/null | awk '{print $1}' | paste -sd+))"
}

drop_caches() {
    sync
    echo 3 >/proc/sys/vm/drop_caches 2>/dev/null || die "cannot empty the page cache (not root?)"
}

# measure LABEL MODE COMMAND...: appends "LABEL MODE wall-seconds peak-KiB"
# to the samples; a failing or timed-out command is noted and left out.
measure() {
    local label=$1 mode=$2
    shift 2
    [[ $mode == cold ]] && drop_caches
    local start end
    start=$(date +%s%N)
    if ! timeout "$limit" /usr/bin/time -f '%M' -o "$work/time.txt" "$@" >"$work/out.txt" 2>&1
    then
        echo "run_speed: $label ($mode) failed or ran out of time; left out" >&2
        return 0
    fi
    end=$(date +%s%N)
    echo "$label $mode $(((end - start) / 1000000)) $(tail -n 1 "$work/time.txt")" \
        >>"$work/samples.txt"
}

# The floors take one root: each root in turn, timed as one command.
floor() {
    local program=$1 root
    shift
    for root in "$@"; do "$program" "$root" >/dev/null; done
}
export -f floor

one_round() {
    local mode=$1 round=$2 profile=$work/profiles/p
    rm -rf "$profile" && mkdir -p "$profile"
    local -a scan_env=(env "USERPROFILE=$profile" "LANBROOK_DRIVES=$drives")
    measure scan_first "$mode" "${scan_env[@]}" "$scan" -q
    [[ $round -gt 1 ]] || sed -n '1,6s/^/  first scan: /p' "$work/out.txt"
    measure scan_rescan "$mode" "${scan_env[@]}" "$scan" -q
    measure floor_fingerprint "$mode" bash -c 'floor "$@"' _ "$build/bench/floor_fingerprint" \
        "${roots[@]}"
    measure floor_walk "$mode" bash -c 'floor "$@"' _ "$build/bench/floor_walk" "${roots[@]}"
    [[ $peers -eq 1 ]] || return 0
    measure jdupes "$mode" jdupes -r -q "${roots[@]}"
    measure rdfind "$mode" rdfind -outputname "$work/rdfind.txt" "${roots[@]}"
    measure fdupes "$mode" fdupes -r -q "${roots[@]}"
    measure duff "$mode" duff -r -q "${roots[@]}"
    measure rmlint "$mode" rmlint -o "json:$work/rmlint.json" "${roots[@]}"
}

# median LABEL MODE FIELD (3 wall seconds in ms, 4 peak KiB): "-" without samples.
median() {
    awk -v l="$1" -v m="$2" -v f="$3" '$1 == l && $2 == m {print $f}' "$work/samples.txt" |
        sort -n | awk '{v[NR] = $1} END {print NR ? v[int((NR + 1) / 2)] : "-"}'
}

# goal VALUE-MS BASE-LABEL MODE RATIO: "0.42x jdupes (<= 0.5: met)".
goal() {
    local ms=$1 base=$2 mode=$3 ratio=$4 base_ms
    base_ms=$(median "$base" "$mode" 3)
    [[ $ms == - || $base_ms == - ]] && return
    awk -v a="$ms" -v b="$base_ms" -v r="$ratio" -v n="$base" 'BEGIN {
        printf "%.2fx %s (<= %s: %s)  ", a / b, n, r, (a / b <= r) ? "met" : "MISSED" }'
}

print_table() {
    local mode=$1 label ms kib
    echo
    echo "== $mode page cache, medians of $rounds rounds; tree: ${roots[*]}"
    echo "load before: $load; after: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) cores"
    printf '%-20s %9s %9s  %s\n' program wall-s "peak MiB" goals
    for label in scan_first scan_rescan floor_fingerprint floor_walk jdupes rdfind fdupes duff \
        rmlint; do
        ms=$(median "$label" "$mode" 3)
        [[ $ms == - ]] && continue
        kib=$(median "$label" "$mode" 4)
        local goals=""
        case $label in
            scan_first)
                goals=$(goal "$ms" jdupes "$mode" 0.5; goal "$ms" floor_fingerprint "$mode" 1.0) ;;
            scan_rescan)
                local r=0.15
                [[ $mode == cold ]] && r=0.1
                goals=$(goal "$ms" jdupes "$mode" $r; goal "$ms" floor_walk "$mode" 1.2) ;;
        esac
        [[ $label == scan_* ]] && goals+="memory $(awk -v k="$kib" 'BEGIN {
            print (k / 1024 < 100) ? "met" : "MISSED" }')"
        awk -v l="$label" -v ms="$ms" -v k="$kib" -v g="$goals" \
            'BEGIN {printf "%-20s %9.2f %9.1f  %s\n", l, ms / 1000, k / 1024, g}'
    done
}

main() {
    parse_arguments "$@"
    work=$(mktemp -d /tmp/lanbrook-speed.XXXXXX)
    trap 'rm -rf "$work"' EXIT
    ensure_tools
    build_programs
    prepare_tree
    : >"$work/samples.txt"
    load=$(cut -d' ' -f1-3 /proc/loadavg)
    local mode round
    for mode in $cache_modes; do
        # Warm rounds follow one read of every file, which fills the cache.
        [[ $mode == warm ]] && find "${roots[@]}" -type f -print0 | xargs -0 -r cat >/dev/null
        for ((round = 1; round <= rounds; round++)); do
            echo "== $mode round $round of $rounds"
            one_round "$mode" "$round"
        done
    done
    for mode in $cache_modes; do print_table "$mode"; done | tee "$cache/speed-results.txt"
}

main "$@"
