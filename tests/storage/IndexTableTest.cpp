// SPDX-License-Identifier: MIT
#include <cstdio>

#include "StorageTest.h"

namespace {
// An index entry as the index builder formats it: the numbers right-aligned
// with leading blanks.
std::string entry(long long waste, int count, const std::string& fileMask,
                  const std::string& name) {
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, "%32lld|%8d|", waste, count);
    return numbers + fileMask + "|" + name;
}

using IndexTableTest = FileInfoDBTest;
}  // namespace

TEST_F(IndexTableTest, EmptyListLeavesAnEmptyIndexTable) {
    EXPECT_TRUE(db_.writeIndex({}));
    EXPECT_TRUE(db_.tableExists("FILEINFO_IDX"));
    EXPECT_TRUE(select("SELECT * FROM FILEINFO_IDX").empty());
}

TEST_F(IndexTableTest, LastEntryIsWrittenFirst) {
    ASSERT_TRUE(db_.writeIndex({entry(0, 1, mask(1), "one"), entry(10, 2, mask(2), "two"),
                                entry(2000, 3, mask(3), "three")}));
    EXPECT_EQ(select("SELECT ID, FNAME FROM FILEINFO_IDX ORDER BY ID"),
              (Table{{"1", "three"}, {"2", "two"}, {"3", "one"}}));
}

TEST_F(IndexTableTest, PaddedNumbersAreStoredAsIntegers) {
    ASSERT_TRUE(db_.writeIndex({entry(6442450944LL, 3, mask(1), "big.iso")}));
    EXPECT_EQ(select("SELECT FTSIZE, typeof(FTSIZE), FNUM, typeof(FNUM) FROM FILEINFO_IDX"),
              (Table{{"6442450944", "integer", "3", "integer"}}));
}

TEST_F(IndexTableTest, NameHoldingTheFieldSeparatorStaysWhole) {
    ASSERT_TRUE(db_.writeIndex({entry(0, 1, mask(1), "a|b.jpg")}));
    EXPECT_EQ(column("SELECT FNAME FROM FILEINFO_IDX"), (std::vector<std::string>{"a|b.jpg"}));
}

TEST_F(IndexTableTest, RepeatedMaskFailsAndLeavesTheIndexEmpty) {
    ASSERT_TRUE(db_.writeIndex({entry(0, 1, mask(9), "old")}));
    EXPECT_FALSE(db_.writeIndex(
        {entry(0, 1, mask(1), "a"), entry(0, 1, mask(2), "b"), entry(0, 1, mask(1), "c")}));
    db_.close();
    EXPECT_TRUE(select("SELECT * FROM FILEINFO_IDX").empty());
}

TEST_F(IndexTableTest, FilesOfAMaskComeWithTheirFolders) {
    const std::string a = addFolder("C:\\A\\");
    const std::string b = addFolder("C:\\B\\");
    addFile(a, "x.jpg", mask(1));
    addFile(b, "y.jpg", mask(1));
    addFile(b, "z.jpg", mask(2));
    ASSERT_TRUE(db_.queryFilesByMask(mask(1)));
    EXPECT_EQ(db_.resultRows(), (CSqliteDB::Rows{{"C:\\A\\", "x.jpg"}, {"C:\\B\\", "y.jpg"}}));
}

TEST_F(IndexTableTest, MaskTextWithAQuoteIsOnlyCompared) {
    addFile(addFolder("C:\\A\\"), "x.jpg", mask(1));
    EXPECT_TRUE(db_.queryFilesByMask("' OR '1'='1"));
    EXPECT_TRUE(db_.resultRows().empty());
}

TEST_F(IndexTableTest, AllFilesLeaveOutFilesWhoseFolderIsGone) {
    const std::string a = addFolder("C:\\A\\");
    const std::string gone = addFolder("C:\\GONE\\");
    addFile(a, "x.jpg", mask(1));
    addFile(gone, "y.jpg", mask(2));
    ASSERT_TRUE(db_.execute("DELETE FROM FILEINFO_DIF WHERE ID = " + gone));
    ASSERT_TRUE(db_.queryAllFiles());
    EXPECT_EQ(db_.resultRows(), (CSqliteDB::Rows{{mask(1), "C:\\A\\", "x.jpg"}}));
}

TEST_F(IndexTableTest, FilesWithMasksGiveOnlyThoseMasksAndCompareQuotesAsText) {
    const std::string a = addFolder("C:\\A\\");
    const std::string gone = addFolder("C:\\GONE\\");
    addFile(a, "x.jpg", mask(1));
    addFile(a, "y.jpg", mask(2));
    addFile(a, "z.jpg", mask(3));
    addFile(gone, "w.jpg", mask(1));
    ASSERT_TRUE(db_.execute("DELETE FROM FILEINFO_DIF WHERE ID = " + gone));
    ASSERT_TRUE(db_.queryFilesWithMasks({mask(1), mask(3), "' OR '1'='1"}));
    CSqliteDB::Rows rows = db_.resultRows();
    rows.sort();
    EXPECT_EQ(rows,
              (CSqliteDB::Rows{{mask(1), "C:\\A\\", "x.jpg"}, {mask(3), "C:\\A\\", "z.jpg"}}));
}
