// SPDX-License-Identifier: MIT
#include <ctime>
#include <filesystem>

#include "StorageTest.h"

namespace fs = std::filesystem;

using FreshFileTest = StorageTest;

TEST_F(FreshFileTest, OpenCreatesTheBasicTablesButNotTheIndex) {
    CFileInfoDB db(dbPath());
    ASSERT_TRUE(db.open()) << db.errorText();
    EXPECT_TRUE(fs::exists(dbNative()));
    EXPECT_EQ(column("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"),
              (std::vector<std::string>{"FILEINFO_DIF", "FILEINFO_FIF", "FILEINFO_IGR",
                                        "FILEINFO_SCN", "LANBROOK_GENERATION", "sqlite_sequence"}));
    EXPECT_FALSE(db.tableExists("FILEINFO_IDX"));
}

TEST_F(FreshFileTest, ClosedDatabaseRefusesEveryOperation) {
    CFileInfoDB db(dbPath());
    std::vector<std::string> out;
    std::int64_t time = 5;
    EXPECT_FALSE(db.insertFolder("C:\\A\\"));
    EXPECT_FALSE(db.updateFolderTime("1", "1"));
    EXPECT_FALSE(db.insertFile("1", "a", mask(1), 1));
    EXPECT_FALSE(db.updateFile("1", "a", mask(1), 1));
    EXPECT_FALSE(db.addIgnoredFolder("C:\\A"));
    EXPECT_FALSE(db.loadIgnoredFolders(out));
    EXPECT_FALSE(db.getLastScanTime(time, "C:\\"));
    EXPECT_FALSE(db.writeIndex({}));
    EXPECT_EQ(db.errorText(), "DB not open.");
    EXPECT_EQ(time, 5);
    EXPECT_FALSE(fs::exists(dbNative()));
}

TEST_F(FileInfoDBTest, ReopeningKeepsTheRows) {
    const std::string id = addFolder("C:\\A\\");
    db_.close();
    ASSERT_TRUE(db_.open());
    ASSERT_TRUE(db_.open());
    std::vector<std::string> record;
    ASSERT_TRUE(db_.getFolderRecord(record, "C:\\A\\"));
    EXPECT_EQ(record.at(0), id);
}

TEST_F(FileInfoDBTest, FolderIsCommittedOnlyByUpdateFolderTime) {
    ASSERT_TRUE(db_.insertFolder("C:\\A\\B\\"));
    const std::string id = db_.lastInsertId();
    std::vector<std::string> record;
    ASSERT_TRUE(db_.getFolderRecord(record, "C:\\A\\B\\"));
    EXPECT_EQ(record, (std::vector<std::string>{id, " ", "3"}));
    ASSERT_TRUE(db_.insertFile(id, "x.txt", mask(1), 1));
    EXPECT_TRUE(select("SELECT * FROM FILEINFO_DIF").empty());
    ASSERT_TRUE(db_.updateFolderTime("20240102030405006", id));
    EXPECT_EQ(select("SELECT ID, FNAME, FTIME, FLEVEL FROM FILEINFO_DIF"),
              (Table{{id, "C:\\A\\B\\", "20240102030405006", "3"}}));
    EXPECT_EQ(column("SELECT FNAME FROM FILEINFO_FIF"), (std::vector<std::string>{"x.txt"}));
}

TEST_F(FileInfoDBTest, DuplicateFolderFailsAndChangesNothing) {
    const std::string id = addFolder("C:\\A\\");
    EXPECT_FALSE(db_.insertFolder("C:\\A\\"));
    EXPECT_TRUE(db_.updateFolderTime("1", "999"));  // no such row; commits the open transaction
    EXPECT_EQ(select("SELECT ID, FNAME FROM FILEINFO_DIF"), (Table{{id, "C:\\A\\"}}));
}

TEST_F(FileInfoDBTest, DuplicateFileFailsAndKeepsTheStoredRow) {
    const std::string id = addFolder("C:\\A\\");
    addFile(id, "a.txt", mask(1));
    EXPECT_FALSE(db_.insertFile(id, "a.txt", mask(2), 9));
    EXPECT_EQ(select("SELECT MASK, FTIME FROM FILEINFO_FIF"), (Table{{mask(1), "1700000000"}}));
}

TEST_F(FileInfoDBTest, FileWithoutAValidFolderIdIsRefused) {
    EXPECT_FALSE(db_.insertFile("", "a.txt", mask(1), 1));
    EXPECT_FALSE(db_.insertFile("1; DROP TABLE FILEINFO_FIF", "a.txt", mask(1), 1));
    EXPECT_TRUE(select("SELECT * FROM FILEINFO_FIF").empty());
}

TEST_F(FileInfoDBTest, UpdateFileReplacesMaskAndTimeAsIntegers) {
    const std::string id = addFolder("C:\\A\\");
    addFile(id, "a.txt", mask(1));
    EXPECT_TRUE(db_.updateFile(id, "a.txt", mask(2), -5));
    EXPECT_EQ(select("SELECT MASK, FTIME, typeof(FTIME), typeof(FOLDERID) FROM FILEINFO_FIF"),
              (Table{{mask(2), "-5", "integer", "integer"}}));
}

TEST_F(FileInfoDBTest, DeleteFileRemovesOnlyThatFile) {
    const std::string a = addFolder("C:\\A\\");
    const std::string b = addFolder("C:\\B\\");
    addFile(a, "Bob's.txt", mask(1));
    addFile(a, "x.txt", mask(2));
    addFile(b, "Bob's.txt", mask(3));
    EXPECT_TRUE(db_.deleteFile(a, "Bob's.txt"));
    EXPECT_EQ(select("SELECT FOLDERID, FNAME FROM FILEINFO_FIF ORDER BY ID"),
              (Table{{a, "x.txt"}, {b, "Bob's.txt"}}));
}

TEST_F(FileInfoDBTest, IgnoredFoldersAreListedAndReleased) {
    EXPECT_TRUE(db_.addIgnoredFolder("C:\\Bob's files"));
    EXPECT_TRUE(db_.addIgnoredFolder("C:\\TEMP"));
    EXPECT_FALSE(db_.addIgnoredFolder("C:\\TEMP"));
    EXPECT_TRUE(db_.removeIgnoredFolder("C:\\NOT IGNORED"));
    EXPECT_TRUE(db_.removeIgnoredFolder("C:\\TEMP"));
    std::vector<std::string> ignored = {"first"};
    ASSERT_TRUE(db_.loadIgnoredFolders(ignored));
    EXPECT_EQ(ignored, (std::vector<std::string>{"first", "C:\\Bob's files"}));
}

TEST_F(FileInfoDBTest, LastScanTimeIsUnknownForARootNeverScanned) {
    std::int64_t time = 77;
    EXPECT_FALSE(db_.getLastScanTime(time, "C:\\"));
    EXPECT_EQ(time, 77);
}

TEST_F(FileInfoDBTest, LastScanTimeIsThatOfTheNewestRecordOfItsRoot) {
    const auto before = static_cast<std::int64_t>(std::time(nullptr));
    ASSERT_TRUE(db_.addScanRecord("C:\\"));
    std::int64_t time = 0;
    ASSERT_TRUE(db_.getLastScanTime(time, "C:\\"));
    EXPECT_GE(time, before);
    EXPECT_LE(time, static_cast<std::int64_t>(std::time(nullptr)));
    ASSERT_TRUE(db_.execute("INSERT INTO FILEINFO_SCN (FNAME, FTIME) VALUES ('C:\\', 1000)"));
    ASSERT_TRUE(db_.execute("INSERT INTO FILEINFO_SCN (FNAME, FTIME) VALUES ('D:\\', 3000)"));
    ASSERT_TRUE(db_.getLastScanTime(time, "C:\\"));
    EXPECT_EQ(time, 1000);
    EXPECT_TRUE(db_.resultRows().empty());
}
