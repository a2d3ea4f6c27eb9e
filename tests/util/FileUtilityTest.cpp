// SPDX-License-Identifier: MIT
#include "util/FileUtility.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

#include "TempTree.h"

namespace {
std::string sizeText(std::uint64_t size) {
    char buffer[32];
    return FileUtility::formatSize(buffer, size);
}
}  // namespace

TEST(FormatSize, StrictPowerOfTwoThresholds) {
    EXPECT_EQ(sizeText(0), "0 B");
    EXPECT_EQ(sizeText(1024), "1024 B");
    EXPECT_EQ(sizeText(1025), "1.00 K");
    EXPECT_EQ(sizeText(1536), "1.50 K");
    EXPECT_EQ(sizeText(1048576), "1024.00 K");
    EXPECT_EQ(sizeText(1073741824), "1024.00 M");
    EXPECT_EQ(sizeText(5000000000ULL), "4.66 G");
    EXPECT_EQ(sizeText(UINT64_MAX), "17179869184.00 G");
}

class FileUtilityTree : public ::testing::Test {
protected:
    TempTree tree_;
};

TEST_F(FileUtilityTree, MakeDirectoriesCreatesMissingAncestorsOnce) {
    tree_.makeFolder("a");
    const std::string path = tree_.drivePath("a\\b\\c");
    EXPECT_EQ(FileUtility::makeDirectories(path.c_str()), 0);
    EXPECT_TRUE(std::filesystem::is_directory(tree_.native("a/b/c")));
    EXPECT_EQ(FileUtility::makeDirectories(path.c_str()), -1) << "exists already";
    EXPECT_EQ(FileUtility::makeDirectories(nullptr), 0);
}

TEST_F(FileUtilityTree, MakeDirectoriesWithTrailingSeparatorReportsTheFinalCall) {
    const std::string path = tree_.drivePath("x\\y\\");
    EXPECT_EQ(FileUtility::makeDirectories(path.c_str()), -1);
    EXPECT_TRUE(std::filesystem::is_directory(tree_.native("x/y")));
}

TEST_F(FileUtilityTree, MakeDirectoriesFailsBelowAFile) {
    tree_.writeFile("plain", "x");
    const std::string path = tree_.drivePath("plain\\sub\\deeper");
    EXPECT_EQ(FileUtility::makeDirectories(path.c_str()), -1);
}

TEST_F(FileUtilityTree, LastWriteTimeTextIsLocalTimeWithMilliseconds) {
    tree_.makeFolder("dated");
    const std::time_t when = 1700000000;  // 2023-11-14 22:13:20 UTC
    tree_.setModificationTime("dated", when);
    const std::tm local = *std::localtime(&when);
    char expected[32];
    std::strftime(expected, sizeof expected, "%Y%m%d%H%M%S000", &local);
    EXPECT_EQ(FileUtility::getLastWriteTimeText(tree_.drivePath("dated")), expected);
    EXPECT_EQ(FileUtility::getLastWriteTimeText(tree_.drivePath("missing")), "");
}
