# SPDX-License-Identifier: MIT
# Sourced by the benchmark scripts. prepare_corpus sets `corpus` to the
# benchmark corpus of run_scan.sh in $cache/corpus, made by
# $build/bench/make_corpus with $files, $folders and $seed, and made again
# only when the generator's sources or those arguments changed.
prepare_corpus() {
    corpus=$cache/corpus
    local stamp
    stamp=$( (cd "$repo/bench" && cat make_corpus.cpp CorpusPlan.* CorpusWriter.* Random.h
        echo "$files $folders $seed 1") | sha256sum | cut -d' ' -f1)
    if [[ -d $corpus && -f $cache/corpus.stamp && $(cat "$cache/corpus.stamp") == "$stamp" ]]; then
        return
    fi
    echo "== generating the corpus in $corpus"
    mkdir -p "$cache"
    rm -rf "$corpus" "$cache/corpus.stamp"
    "$build/bench/make_corpus" --files "$files" --folders "$folders" --seed "$seed" \
        "$corpus" >"$cache/corpus.txt"
    echo "$stamp" >"$cache/corpus.stamp"
}
