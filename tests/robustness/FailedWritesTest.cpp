// SPDX-License-Identifier: MIT
// The database's count of refused writes and its view of an open
// transaction, which a run uses to tell whether everything it wrote landed.
#include <gtest/gtest.h>

#include "TempTree.h"
#include "storage/CFileInfoDB.h"

class FailedWritesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(db_.open()) << db_.errorText();
        ASSERT_TRUE(db_.insertFolder("C:\\DATA\\"));
        folderId_ = db_.lastInsertId();
        ASSERT_TRUE(db_.insertFile(folderId_, "a.txt", std::string(80, 'A'), 1));
        ASSERT_TRUE(db_.updateFolderTime("20240101000000000", folderId_));
        ASSERT_TRUE(other_.open());
    }
    // Another connection takes the write lock: every write of db_ fails at once.
    void lockForWriting() { ASSERT_TRUE(other_.execute("BEGIN IMMEDIATE")) << other_.errorText(); }

    TempTree tree_;
    CFileInfoDB db_{tree_.drivePath("files.db")};
    CSqliteDB other_{tree_.drivePath("files.db")};
    std::string folderId_;
};

TEST_F(FailedWritesTest, WritesThatLandAreNotCounted) {
    EXPECT_TRUE(db_.updateFile(folderId_, "a.txt", std::string(80, 'B'), 2));
    EXPECT_TRUE(db_.deleteFile(folderId_, "a.txt"));
    EXPECT_EQ(db_.failedWrites(), 0u);
}

TEST_F(FailedWritesTest, EveryKindOfRefusedWriteIsCounted) {
    lockForWriting();
    EXPECT_FALSE(db_.insertFile(folderId_, "b.txt", std::string(80, 'B'), 1));
    EXPECT_FALSE(db_.updateFile(folderId_, "a.txt", std::string(80, 'C'), 2));
    EXPECT_FALSE(db_.deleteFile(folderId_, "a.txt"));
    EXPECT_FALSE(db_.insertFolder("C:\\NEW\\"));
    EXPECT_FALSE(db_.updateFolderTime("20250101000000000", folderId_));
    EXPECT_EQ(db_.failedWrites(), 5u);
}

TEST_F(FailedWritesTest, RefusedDeletesOfAFolderTreeAreCountedThoughItAnswersTrue) {
    lockForWriting();
    EXPECT_TRUE(db_.deleteFolderTree("C:\\DATA"));
    EXPECT_EQ(db_.failedWrites(), 2u);  // the folder row and its file rows
}

TEST_F(FailedWritesTest, InsertOfAStoredFileIsARefusedWriteToo) {
    EXPECT_FALSE(db_.insertFile(folderId_, "a.txt", std::string(80, 'A'), 1));
    EXPECT_EQ(db_.failedWrites(), 1u);
}

TEST_F(FailedWritesTest, CommitThatAReaderBlocksLeavesTheTransactionOpen) {
    ASSERT_TRUE(db_.execute("BEGIN TRANSACTION"));
    EXPECT_TRUE(db_.inTransaction());
    ASSERT_TRUE(db_.updateFile(folderId_, "a.txt", std::string(80, 'D'), 3));
    // A reader inside a transaction holds its shared lock until it ends.
    ASSERT_TRUE(other_.execute("BEGIN"));
    ASSERT_TRUE(other_.query("SELECT COUNT(*) FROM FILEINFO_FIF"));
    EXPECT_FALSE(db_.execute("COMMIT"));
    EXPECT_TRUE(db_.inTransaction());
    ASSERT_TRUE(other_.execute("COMMIT"));
    EXPECT_TRUE(db_.execute("COMMIT"));
    EXPECT_FALSE(db_.inTransaction());
}
