#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Space-view benchmark. Builds the Release programs, takes the synthetic
# database of the identical-folder benchmark (1M file rows; written by
# bench/folders/run_folders.sh's generator when missing), copies it (the
# measurement records the per-folder totals into it), then measures --runs
# times, each in a process of its own. Prints each stage's median seconds
# and the largest peak memory.
#
# Environment: LANBROOK_BENCH_BUILD (build folder, default
# build-loader-release), LANBROOK_FOLDERS_CACHE (databases, default
# /tmp/lanbrook-bench-folders).
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
build=${LANBROOK_BENCH_BUILD:-$repo/build-loader-release}
cache=${LANBROOK_FOLDERS_CACHE:-/tmp/lanbrook-bench-folders}
runs=5 files=1000000

while [[ $# -gt 0 ]]; do
    case $1 in
        --runs) runs=$2; shift 2 ;;
        --files) files=$2; shift 2 ;;
        *) echo "usage: bench/space/run_space.sh [--runs N] [--files N]" >&2; exit 2 ;;
    esac
done

cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLANBROOK_BUILD_BENCH=ON \
    -DLANBROOK_BUILD_TESTS=OFF -DLANBROOK_BUILD_UI=OFF >/dev/null
cmake --build "$build" -j2 --target folders_fill space_measure >/dev/null
mkdir -p "$cache"
stamp=$(cat "$repo"/bench/folders/folders_fill.cpp "$repo"/bench/loader/SyntheticFiles.* \
    "$repo"/bench/Random.h | sha1sum | cut -c1-12)
db=$cache/files-$files-$stamp.db
[[ -f $db ]] || { echo "== writing $db"; "$build/bench/folders/folders_fill" --files "$files" "$db"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$db" "$work/space.db"
"$build/bench/space/space_measure" "$work/space.db" >/dev/null  # warms the page cache

median() {
    local key=$1; shift
    printf '%s\n' "$@" | sed -n "s/.* $key=\([0-9.]*\).*/\1/p" | sort -g |
        awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
lines=()
for ((run = 0; run < runs; run++)); do lines+=("$("$build/bench/space/space_measure" "$work/space.db")"); done
echo "${lines[0]}" | sed 's/ load_s=.*//'
printf 'median of %d runs: inventory %ss, copies %ss, figures %ss; at the analysis'"'"'s end: sizes %ss, history written %ss; tree load %ss, top 100 + categories %ss; peak %s MiB\n' \
    "$runs" "$(median load_s "${lines[@]}")" "$(median copies_s "${lines[@]}")" \
    "$(median figures_s "${lines[@]}")" "$(median sizes_s "${lines[@]}")" \
    "$(median history_s "${lines[@]}")" \
    "$(median tree_s "${lines[@]}")" "$(median top_s "${lines[@]}")" \
    "$(printf '%s\n' "${lines[@]}" | sed -n 's/.* peak_mib=\([0-9]*\).*/\1/p' | sort -g | tail -1)"
