// SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "TempTree.h"
#include "engine/FileInfoProc.h"

namespace {

std::string hex(const std::string& bytes) {
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

char patternByte(std::uint64_t i) {
    return static_cast<char>((i * 7 + 3) % 251);
}

std::string pattern(std::size_t length) {
    std::string s(length, '\0');
    for (std::size_t i = 0; i < length; ++i) s[i] = patternByte(i);
    return s;
}

}  // namespace

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
    // A sparse file: `length` bytes, with a few marker bytes written at `marks`.
    void writeSparse(const std::string& relative, std::uint64_t length) {
        const int fd = ::open(tree_.native(relative).c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(length)), 0);
        for (std::uint64_t k = 0; k < 9; ++k) {
            const std::uint64_t at = k * length / 9;
            const char mark[4] = {static_cast<char>('A' + k), 'x', 'y', 'z'};
            ASSERT_EQ(::pwrite(fd, mark, 4, static_cast<off_t>(at)), 4);
        }
        ::close(fd);
    }
    static char sparseByte(std::uint64_t length, std::uint64_t i) {
        for (std::uint64_t k = 0; k < 9; ++k) {
            const std::uint64_t at = k * length / 9;
            if (i >= at && i < at + 4)
                return i == at ? static_cast<char>('A' + k) : "xyz"[i - at - 1];
        }
        return '\0';
    }
    TempTree tree_;
};

TEST_F(FingerprintTest, EmptyFileIsEightyZeros) {
    tree_.writeFile("empty", "");
    EXPECT_EQ(maskOf("empty"), std::string(80, '0'));
}

TEST_F(FingerprintTest, HelloIsSizeLeastSignificantFirstThenItsBytes) {
    tree_.writeFile("hello", "hello");
    EXPECT_EQ(maskOf("hello"),
              "05000000"
              "68656C6C6F" +
                  std::string(62, '0'));
}

TEST_F(FingerprintTest, SmallAndMediumFilesAreSampledAtTheNineOffsets) {
    for (std::size_t length : {1, 35, 36, 37, 1000, 4095, 4096, 4097, 100000}) {
        const std::string name = "f" + std::to_string(length);
        tree_.writeFile(name, pattern(length));
        EXPECT_EQ(maskOf(name), expectedMask(length, patternByte)) << "length " << length;
    }
}

TEST_F(FingerprintTest, ByteBetweenSamplesDoesNotChangeTheMaskButASampleByteDoes) {
    std::string content = pattern(1000);
    tree_.writeFile("a", content);
    content[112 + 3] ^= 1;  // offset 115 lies between the samples at 111 and 222
    tree_.writeFile("b", content);
    EXPECT_EQ(maskOf("a"), maskOf("b"));
    content[222] ^= 1;
    tree_.writeFile("c", content);
    EXPECT_NE(maskOf("a"), maskOf("c"));
}

TEST_F(FingerprintTest, ThreeGibibyteSparseFileIsSampledAcrossItsLength) {
    const std::uint64_t length = 3221225472ULL;
    writeSparse("big", length);
    const std::string mask = maskOf("big");
    EXPECT_EQ(mask.substr(0, 8), "000000C0");
    EXPECT_EQ(mask, expectedMask(length, [&](std::uint64_t i) { return sparseByte(length, i); }));
}

TEST_F(FingerprintTest, FileOverFourGibibytesKeepsLowSizeBitsButSamplesTheWholeLength) {
    const std::uint64_t length = (1ULL << 32) + 100;
    writeSparse("huge", length);
    const std::string mask = maskOf("huge");
    EXPECT_EQ(mask.substr(0, 8), "64000000");
    EXPECT_EQ(mask, expectedMask(length, [&](std::uint64_t i) { return sparseByte(length, i); }));
    const std::uint64_t exact = 1ULL << 32;
    writeSparse("exact", exact);
    EXPECT_NE(maskOf("exact"), std::string(80, '0')) << "no longer taken for an empty file";
}

TEST_F(FingerprintTest, ReportsTheModificationTime) {
    tree_.writeFile("dated", "x");
    tree_.setModificationTime("dated", 1600000000);
    std::int64_t mtime = 0;
    std::string mask;
    ASSERT_TRUE(fingerprint("dated", mtime, mask));
    EXPECT_EQ(mtime, 1600000000);
}

TEST_F(FingerprintTest, FailureLeavesBothOutputsUntouched) {
    ASSERT_EQ(::mkfifo(tree_.native("pipe").c_str(), 0600), 0);
    tree_.makeFolder("folder");
    for (const char* name : {"missing", "pipe", "folder"}) {
        std::int64_t mtime = 42;
        char buffer[256];
        std::fill(buffer, buffer + sizeof buffer, '#');
        EXPECT_FALSE(FileInfoProc::computeFingerprint(tree_.drivePath(name).c_str(), mtime, buffer))
            << name;
        EXPECT_EQ(mtime, 42) << name;
        EXPECT_EQ(std::string(buffer, 4), "####") << name;
    }
}
