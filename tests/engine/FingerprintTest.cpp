// SPDX-License-Identifier: MIT
#include <algorithm>

#include "FingerprintSupport.h"

using fingerprint::expectedMask;
using fingerprint::pattern;
using fingerprint::patternByte;

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

// Lengths around the reads that share samples: a file read whole, samples
// read in pairs and threes, and samples each read alone.
TEST_F(FingerprintTest, SmallAndMediumFilesAreSampledAtTheNineOffsets) {
    for (std::size_t length : {1, 35, 36, 37, 1000, 4095, 4096, 4097, 16383, 16384, 16385, 40000,
                               73000, 100000, 147455, 147456, 150000}) {
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

TEST_F(FingerprintTest, ReportsTheModificationTime) {
    tree_.writeFile("dated", "x");
    tree_.setModificationTime("dated", 1600000000);
    std::int64_t mtime = 0;
    std::string mask;
    ASSERT_TRUE(fingerprint("dated", mtime, mask));
    EXPECT_EQ(mtime, 1600000000);
}

TEST_F(FingerprintTest, NameThatLeavesTheOpenFolderIsRefused) {
    tree_.makeFolder("sub");
    tree_.writeFile("sub/file", "content");
    std::int64_t mtime = 42;
    std::string mask;
    EXPECT_FALSE(fingerprintInFolder("sub/file", mtime, mask));
    EXPECT_FALSE(fingerprintInFolder("", mtime, mask));
    EXPECT_FALSE(fingerprintInFolder("sub", mtime, mask));  // a folder, not a file
    EXPECT_EQ(mtime, 42);
}

TEST_F(FingerprintTest, FailureLeavesBothOutputsUntouched) {
    tree_.makeFolder("folder");
    for (const char* name : {"missing", "folder"}) {
        std::int64_t mtime = 42;
        char buffer[256];
        std::fill(buffer, buffer + sizeof buffer, '#');
        EXPECT_FALSE(FileInfoProc::computeFingerprint(tree_.drivePath(name).c_str(), mtime, buffer))
            << name;
        EXPECT_EQ(mtime, 42) << name;
        EXPECT_EQ(std::string(buffer, 4), "####") << name;
    }
}
