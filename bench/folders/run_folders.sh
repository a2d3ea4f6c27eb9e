#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Identical-folder benchmark. Builds the Release programs, writes a synthetic
# database of 1M file rows (a tenth of them folders copied whole, every
# shared content cached, as after lanbrook-scan --verify) once, kept while
# the generator's sources stay the same, then finds the identical and
# redundant folders --runs times, each in a process of its own. Prints the
# median seconds of each stage and the largest peak memory.
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
        *) echo "usage: bench/folders/run_folders.sh [--runs N] [--files N]" >&2; exit 2 ;;
    esac
done

cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLANBROOK_BUILD_BENCH=ON \
    -DLANBROOK_BUILD_TESTS=OFF -DLANBROOK_BUILD_UI=OFF >/dev/null
cmake --build "$build" -j2 --target folders_fill folders_measure >/dev/null
mkdir -p "$cache"
stamp=$(cat "$repo"/bench/folders/folders_fill.cpp "$repo"/bench/loader/SyntheticFiles.* \
    "$repo"/bench/Random.h | sha1sum | cut -c1-12)
db=$cache/files-$files-$stamp.db
[[ -f $db ]] || { echo "== writing $db"; "$build/bench/folders/folders_fill" --files "$files" "$db"; }
"$build/bench/folders/folders_measure" "$db" >/dev/null  # warms the page cache

median() {
    local key=$1; shift
    printf '%s\n' "$@" | sed -n "s/.* $key=\([0-9.]*\).*/\1/p" | sort -g |
        awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
lines=()
for ((run = 0; run < runs; run++)); do lines+=("$("$build/bench/folders/folders_measure" "$db")"); done
echo "${lines[0]}" | sed 's/ load_s=.*//'
printf 'median of %d runs: %ss (inventory %ss, copies %ss, sets %ss), peak %s MiB\n' "$runs" \
    "$(median seconds "${lines[@]}")" "$(median load_s "${lines[@]}")" \
    "$(median copies_s "${lines[@]}")" "$(median sets_s "${lines[@]}")" \
    "$(printf '%s\n' "${lines[@]}" | sed -n 's/.* peak_mib=\([0-9]*\).*/\1/p' | sort -g | tail -1)"
