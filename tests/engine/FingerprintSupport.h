// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "TempTree.h"
#include "engine/FileInfoProc.h"

// What the fingerprint cases share: the MASK computed from its definition,
// a byte pattern with no repeats near the samples, and a real tree.
namespace fingerprint {

inline std::string hex(const std::string& bytes) {
    std::string out;
    char two[3];
    for (unsigned char c : bytes) {
        std::snprintf(two, sizeof two, "%02X", c);
        out += two;
    }
    return out;
}

// The MASK a file of `length` bytes whose content is `byteAt(i)` must have,
// computed from the definition: size LSB first, nine samples at k*len/9.
template <typename ByteAt>
std::string expectedMask(std::uint64_t length, ByteAt byteAt) {
    std::string samples(36, '\0');
    if (length < 36) {
        for (std::uint64_t i = 0; i < length; ++i) samples[i] = byteAt(i);
    } else {
        for (std::uint64_t k = 0; k < 9; ++k)
            for (std::uint64_t j = 0; j < 4; ++j) samples[4 * k + j] = byteAt(k * length / 9 + j);
    }
    const auto size = static_cast<std::uint32_t>(length);
    std::string sizeBytes;
    for (int i = 0; i < 4; ++i) sizeBytes += static_cast<char>(size >> (8 * i));
    return hex(sizeBytes) + hex(samples);
}

inline char patternByte(std::uint64_t i) {
    return static_cast<char>((i * 7 + 3) % 251);
}

inline std::string pattern(std::size_t length) {
    std::string s(length, '\0');
    for (std::size_t i = 0; i < length; ++i) s[i] = patternByte(i);
    return s;
}

}  // namespace fingerprint

class FingerprintTest : public ::testing::Test {
protected:
    bool fingerprint(const std::string& relative, std::int64_t& mtime, std::string& mask) {
        char buffer[256] = {};
        const bool ok =
            FileInfoProc::computeFingerprint(tree_.drivePath(relative).c_str(), mtime, buffer);
        mask = buffer;
        return ok;
    }
    std::string maskOf(const std::string& relative) {
        std::int64_t mtime = 0;
        std::string mask;
        EXPECT_TRUE(fingerprint(relative, mtime, mask)) << relative;
        return mask;
    }
    TempTree tree_;
};
