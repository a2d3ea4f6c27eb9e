#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the fuzz targets with clang's libFuzzer, AddressSanitizer and UBSan,
# and runs each for a bounded time (FUZZ_SECONDS, default 8) over a copy of
# its corpus. A crash, a sanitizer report or a hang fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v clang++ >/dev/null || ! dpkg-query -W libclang-rt-14-dev >/dev/null 2>&1; then
    echo "fuzz: clang or its runtime is missing; corpora were replayed by the tests only"
    exit 0
fi

seconds=${FUZZ_SECONDS:-8}
cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLANBROOK_SANITIZE=ON -DLANBROOK_FUZZ=ON \
    -DLANBROOK_BUILD_UI=OFF -DLANBROOK_BUILD_BENCH=OFF >/dev/null
targets=$(sed -n 's/^ *lanbrook_add_fuzz(\([a-z_]*\).*/\1/p' tests/fuzz/CMakeLists.txt)
for name in $targets; do
    cmake --build build-fuzz -j"$(nproc)" --target "fuzz_$name" >/dev/null
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for name in $targets; do
    mkdir -p "$work/$name"
    cp tests/fuzz/corpus/"$name"/* "$work/$name"/
    echo "== fuzz $name (${seconds}s)"
    build-fuzz/tests/fuzz/"fuzz_$name" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
        -artifact_prefix="$work/" -print_final_stats=1 "$work/$name" 2>"$work/$name.log" ||
        { cat "$work/$name.log"; echo "fuzz: $name failed"; exit 1; }
    grep -E 'stat::number_of_executed_units' "$work/$name.log" || true
done
