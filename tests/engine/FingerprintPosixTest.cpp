// SPDX-License-Identifier: MIT
// Fingerprint cases that need POSIX calls: sparse files of several GiB that
// cost no disk, and a FIFO in a file's place.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "FingerprintSupport.h"

using fingerprint::expectedMask;

class SparseFingerprintTest : public FingerprintTest {
protected:
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
};

TEST_F(SparseFingerprintTest, ThreeGibibyteSparseFileIsSampledAcrossItsLength) {
    const std::uint64_t length = 3221225472ULL;
    writeSparse("big", length);
    const std::string mask = maskOf("big");
    EXPECT_EQ(mask.substr(0, 8), "000000C0");
    EXPECT_EQ(mask, expectedMask(length, [&](std::uint64_t i) { return sparseByte(length, i); }));
}

TEST_F(SparseFingerprintTest, FileOverFourGibibytesKeepsLowSizeBitsButSamplesTheWholeLength) {
    const std::uint64_t length = (1ULL << 32) + 100;
    writeSparse("huge", length);
    const std::string mask = maskOf("huge");
    EXPECT_EQ(mask.substr(0, 8), "64000000");
    EXPECT_EQ(mask, expectedMask(length, [&](std::uint64_t i) { return sparseByte(length, i); }));
    const std::uint64_t exact = 1ULL << 32;
    writeSparse("exact", exact);
    EXPECT_NE(maskOf("exact"), std::string(80, '0')) << "no longer taken for an empty file";
}

TEST_F(FingerprintTest, FifoIsRefusedWithoutBlockingAndOutputsStayUntouched) {
    ASSERT_EQ(::mkfifo(tree_.native("pipe").c_str(), 0600), 0);
    std::int64_t mtime = 42;
    char buffer[256];
    std::fill(buffer, buffer + sizeof buffer, '#');
    EXPECT_FALSE(FileInfoProc::computeFingerprint(tree_.drivePath("pipe").c_str(), mtime, buffer));
    EXPECT_EQ(mtime, 42);
    EXPECT_EQ(std::string(buffer, 4), "####");
    std::string mask;
    EXPECT_FALSE(fingerprintInFolder("pipe", mtime, mask));
    EXPECT_EQ(mtime, 42);
}
