// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "TempTree.h"
#include "engine/FileInfoProc.h"
#include "util/platform/OpenFolder.h"

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
    // The file `name` of the tree's top folder, opened relative to the open folder.
    bool fingerprintInFolder(const std::string& name, std::int64_t& mtime, std::string& mask) {
        std::string top = tree_.drivePath("");
        if (top.back() != '\\') top += '\\';
        platform::OpenFolder folder;
        if (!folder.open(top)) return false;
        char buffer[256] = {};
        const bool ok = FileInfoProc::computeFingerprint(folder, name, mtime, buffer);
        mask = buffer;
        return ok;
    }
    // The MASK by path, which the same file opened relative to its folder must give too.
    std::string maskOf(const std::string& relative) {
        std::int64_t mtime = 0;
        std::string mask;
        EXPECT_TRUE(fingerprint(relative, mtime, mask)) << relative;
        if (relative.find('/') == std::string::npos) {
            std::int64_t folderMtime = 0;
            std::string folderMask;
            EXPECT_TRUE(fingerprintInFolder(relative, folderMtime, folderMask)) << relative;
            EXPECT_EQ(folderMask, mask) << relative;
            EXPECT_EQ(folderMtime, mtime) << relative;
        }
        return mask;
    }
    TempTree tree_;
};
