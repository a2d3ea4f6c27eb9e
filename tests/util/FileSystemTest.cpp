// SPDX-License-Identifier: MIT
// The file-system seam's cases that hold on every system; those that rest on
// POSIX (links, FIFOs, modes, the drive map) are in FileSystemPosixTest.cpp.
#include "util/platform/FileSystem.h"

#include <gtest/gtest.h>

#include "TempTree.h"

class FileSystemTest : public ::testing::Test {
protected:
    TempTree tree_;
};

TEST_F(FileSystemTest, MissingFolderFailsTheListing) {
    std::vector<platform::FolderEntry> entries{{"stale", false}};
    EXPECT_FALSE(platform::listFolder(tree_.drivePath("missing\\"), entries));
    EXPECT_TRUE(entries.empty());
}

TEST_F(FileSystemTest, StatusExistenceAndFolderCreation) {
    tree_.writeFile("f", "x");
    tree_.setModificationTime("f", 1234567890);
    std::int64_t seconds = 0;
    ASSERT_TRUE(platform::modificationTime(tree_.drivePath("f"), seconds));
    EXPECT_EQ(seconds, 1234567890);
    EXPECT_FALSE(platform::modificationTime(tree_.drivePath("gone"), seconds));
    EXPECT_TRUE(platform::pathExists(tree_.drivePath("f")));
    EXPECT_FALSE(platform::pathExists(tree_.drivePath("gone")));
    EXPECT_TRUE(platform::makeDirectory(tree_.drivePath("new")));
    EXPECT_FALSE(platform::makeDirectory(tree_.drivePath("new"))) << "exists already";
}
