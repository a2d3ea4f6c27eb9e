// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// A small deterministic generator (splitmix64). Unlike the standard
// distributions, every draw is plain integer arithmetic, so the same seed
// gives the same corpus with every compiler and library.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // A number in [0, bound); bound must be positive. The modulo bias is far
    // below anything a benchmark corpus can notice.
    std::uint64_t below(std::uint64_t bound) { return next() % bound; }

    // True with a chance of `percent` in a hundred.
    bool chance(unsigned percent) { return below(100) < percent; }

private:
    std::uint64_t state_;
};
