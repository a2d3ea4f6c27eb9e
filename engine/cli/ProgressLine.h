// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

// One line of progress on a terminal: "LABEL: N of M files, X of Y",
// rewritten in place at most every quarter of a second and cleared at the
// end. Does nothing without a stream.
class ProgressLine {
public:
    ProgressLine(std::FILE* out, std::string label, std::uint64_t files, std::uint64_t bytes)
        : out_(out), label_(std::move(label)), totalFiles_(files), totalBytes_(bytes) {}

    // The total, once a group's own lengths are known.
    void correctTotal(std::uint64_t bytes) { totalBytes_ = bytes; }
    // Shows the counts; `now` shows them even within the quarter second.
    void show(std::uint64_t files, std::uint64_t bytes, bool now = false);
    void clear();

private:
    std::FILE* out_;
    std::string label_;
    std::uint64_t totalFiles_;
    std::uint64_t totalBytes_;
    std::chrono::steady_clock::time_point last_{};
};
