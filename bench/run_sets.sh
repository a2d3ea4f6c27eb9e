#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Benchmark of an analysis of chosen folders and of the duplicate sets'
# output. Builds the Release programs, generates a corpus once (kept while
# the generator and its arguments stay the same), then times lanbrook-scan
# with the corpus as its FOLDER argument: a first scan, a rescan (-q), the
# rescan with --list and with --json (output to /dev/null), a narrower scope
# (one top folder of the corpus) and the whole corpus again. Prints wall
# seconds, peak memory and the number of sets listed.
#
# Environment: LANBROOK_BENCH_BUILD (build folder, default
# build-bench-release), LANBROOK_SETS_CACHE (corpus cache, default
# /tmp/lanbrook-bench-sets).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${LANBROOK_BENCH_BUILD:-$repo/build-bench-release}
cache=${LANBROOK_SETS_CACHE:-/tmp/lanbrook-bench-sets}
files=100000 folders=8000 seed=20261209 scale=1

while [[ $# -gt 0 ]]; do
    case $1 in
        --files) files=$2; shift 2 ;;
        --folders) folders=$2; shift 2 ;;
        --size-scale) scale=$2; shift 2 ;;
        *) echo "usage: bench/run_sets.sh [--files N] [--folders N] [--size-scale X]" >&2; exit 2 ;;
    esac
done

[[ -x /usr/bin/time ]] || { echo "run_sets: GNU time is missing (apt-get install time)" >&2; exit 1; }
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DLANBROOK_BUILD_BENCH=ON \
    -DLANBROOK_BUILD_TESTS=OFF -DLANBROOK_BUILD_UI=OFF >/dev/null
cmake --build "$build" -j2 --target make_corpus lanbrook-scan >/dev/null
scan=$build/bin/lanbrook-scan

stamp=$( (cd "$repo/bench" && cat make_corpus.cpp CorpusPlan.* CorpusWriter.* Random.h
    echo "$files $folders $seed $scale") | sha256sum | cut -c1-12)
corpus=$cache/corpus-$stamp
if [[ ! -d $corpus ]]; then
    echo "== corpus: $files files in $folders folders (size scale $scale)"
    rm -rf "$cache" && mkdir -p "$cache"
    "$build/bench/make_corpus" --files "$files" --folders "$folders" --seed "$seed" \
        --size-scale "$scale" "$corpus.part" >/dev/null
    mv "$corpus.part" "$corpus"
fi
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
tops=("$corpus"/*/)
narrow=${tops[0]%/}

# measure LABEL ARGS...: one run; wall seconds, peak memory and, for a
# listing, the number of sets (blank lines of --list).
measure() {
    local label=$1 out=$home/out.txt stats=$home/time.txt
    shift
    HOME=$home /usr/bin/time -f '%e %M' -o "$stats" "$scan" "$@" >"$out"
    read -r wall peak <"$stats"
    local sets=""
    [[ " $* " == *" --list "* ]] && sets=" sets=$(grep -c '^$' "$out" || true)"
    printf '%-28s wall %7.2f s  peak %7.1f MiB%s\n' "$label" "$wall" \
        "$(echo "$peak / 1024" | bc -l)" "$sets"
}

echo "== $files files in $corpus; narrower scope $narrow"
measure "first scan" -q "$corpus"
measure "rescan" -q "$corpus"
measure "rescan --list" --list "$corpus"
measure "rescan --json" --json "$corpus"
measure "narrower scope" -q "$narrow"
measure "whole corpus again" -q "$corpus"
