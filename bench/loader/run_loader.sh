#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Result-loader benchmark. Builds the Release programs, writes a synthetic
# database of 100k and of 1M file rows with its index once (kept while the
# generator's sources stay the same), then measures, each --runs times in a
# process of its own: a category refresh (loadCategoryTable + loadGroups +
# buildPathTree) of categories 0 and 2, the floor of the two queries, the
# start-up question isDatabaseReady, and
# getGroupFiles of one group, also on a copy with an index on FILEINFO_FIF(MASK).
# Prints medians of wall and processor seconds and the largest peak memory.
#
# Environment: LANBROOK_BENCH_BUILD (build folder, default
# build-loader-release), LANBROOK_LOADER_CACHE (databases, default
# /tmp/lanbrook-bench-loader).
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
build=${LANBROOK_BENCH_BUILD:-$repo/build-loader-release}
cache=${LANBROOK_LOADER_CACHE:-/tmp/lanbrook-bench-loader}
runs=3 sizes="100000 1000000"

while [[ $# -gt 0 ]]; do
    case $1 in
        --runs) runs=$2; shift 2 ;;
        --files) sizes=$2; shift 2 ;;
        *) echo "usage: bench/loader/run_loader.sh [--runs N] [--files \"N ...\"]" >&2; exit 2 ;;
    esac
done

cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLANBROOK_BUILD_BENCH=ON \
    -DLANBROOK_BUILD_TESTS=OFF -DLANBROOK_BUILD_UI=OFF >/dev/null
cmake --build "$build" -j2 --target loader_fill loader_measure >/dev/null
fill=$build/bench/loader/loader_fill
measure=$build/bench/loader/loader_measure
mkdir -p "$cache"
stamp=$(cat "$repo"/bench/loader/SyntheticFiles.* "$repo"/bench/Random.h | sha1sum | cut -c1-12)

# median KEY LINES...: the median of KEY's values among the lines.
median() {
    local key=$1; shift
    printf '%s\n' "$@" | sed -n "s/.* $key=\([0-9.]*\).*/\1/p" | sort -g |
        awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
largest() {
    local key=$1; shift
    printf '%s\n' "$@" | sed -n "s/.* $key=\([0-9.]*\).*/\1/p" | sort -g | tail -1
}

for files in $sizes; do
    db=$cache/files-$files-$stamp.db
    [[ -f $db ]] || { echo "== writing $db"; "$fill" --files "$files" "$db"; }
    "$measure" scan "$db" >/dev/null  # warms the page cache
    for category in 0 2; do
        lines=()
        for ((run = 0; run < runs; run++)); do lines+=("$("$measure" refresh "$db" "$category")"); done
        echo "== $files files, category $category: $(largest groups "${lines[0]}") groups," \
            "$(largest leaves "${lines[0]}") files in the tree"
        printf '   refresh: median %ss wall, %ss cpu (groups %ss, tree %ss), peak %s MiB\n' \
            "$(median seconds "${lines[@]}")" "$(median cpu_s "${lines[@]}")" \
            "$(median groups_s "${lines[@]}")" "$(median tree_s "${lines[@]}")" \
            "$(largest peak_rss_mib "${lines[@]}")"
    done
    lines=()
    for ((run = 0; run < runs; run++)); do lines+=("$("$measure" scan "$db")"); done
    printf '   floor (both queries, rows dropped): median %ss\n' "$(median seconds "${lines[@]}")"
    lines=()
    for ((run = 0; run < runs; run++)); do lines+=("$("$measure" ready "$db")"); done
    printf '   isDatabaseReady (with the damage check): median %ss\n' "$(median seconds "${lines[@]}")"
    echo "   getGroupFiles, no index on MASK:"
    "$measure" group-files "$db" "$((runs * 3))" | sed 's/^/     /'
    copy=$cache/files-$files-$stamp-maskindex.db
    [[ -f $copy ]] || { cp "$db" "$copy.tmp" && "$measure" add-mask-index "$copy.tmp" && mv "$copy.tmp" "$copy"; }
    echo "   getGroupFiles, with an index on FILEINFO_FIF(MASK):"
    "$measure" group-files "$copy" "$((runs * 3))" | sed 's/^/     /'
done
