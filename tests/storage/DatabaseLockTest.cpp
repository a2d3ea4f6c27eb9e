// SPDX-License-Identifier: MIT
#include "StorageTest.h"
#include "storage/CFileInfoDB.h"

// Another connection holds a lock on the file; no busy handler is installed,
// so the blocked statement fails with SQLite's message instead of waiting.
class DatabaseLockTest : public StorageTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(db_.open()) << db_.errorText();
        ASSERT_TRUE(other_.open()) << other_.errorText();
    }
    void hold(const char* begin) { ASSERT_TRUE(other_.execute(begin)) << other_.errorText(); }

    CFileInfoDB db_{dbPath()};
    CSqliteDB other_{dbPath()};
};

TEST_F(DatabaseLockTest, WriteFailsWhileAnotherConnectionReservesTheFile) {
    hold("BEGIN IMMEDIATE");
    EXPECT_FALSE(db_.addIgnoredFolder("C:\\A"));
    EXPECT_EQ(db_.errorText(), "database is locked");
}

TEST_F(DatabaseLockTest, ReadFailsWhileAnotherConnectionHoldsTheFileExclusively) {
    hold("BEGIN EXCLUSIVE");
    std::vector<std::string> ignored;
    EXPECT_FALSE(db_.loadIgnoredFolders(ignored));
    EXPECT_EQ(db_.errorText(), "database is locked");
}
