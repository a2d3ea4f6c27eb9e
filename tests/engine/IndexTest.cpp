// SPDX-License-Identifier: MIT
#include <cstdio>
#include <fstream>

#include "EngineTest.h"
#include "engine/FileInfoAnalyse.h"
#include "storage/CFileInfoDB.h"

namespace {

// A MASK whose size field encodes `size` (least significant byte first) and
// whose samples are all `sample`.
std::string maskOf(std::uint32_t size, const char* sample = "AB") {
    char field[9];
    std::snprintf(field, sizeof field, "%02X%02X%02X%02X", size & 0xFF, (size >> 8) & 0xFF,
                  (size >> 16) & 0xFF, size >> 24);
    std::string mask = field;
    while (mask.size() < 80) mask += sample;
    return mask;
}

}  // namespace

class IndexTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_TRUE(db_.open()) << db_.errorText();
        ASSERT_TRUE(db_.insertFolder("C:\\D\\"));
        folderId_ = db_.lastInsertId();
        ASSERT_TRUE(db_.updateFolderTime("20240101000000000", folderId_));
    }

    void addFile(const std::string& name, const std::string& mask) {
        ASSERT_TRUE(db_.insertFile(folderId_, name, mask, 1)) << name;
    }

    // Rows (ID, FTSIZE, FNUM, MASK, FNAME) of the index in ID order.
    static std::vector<CSqliteDB::Row> index() {
        return selectRows("SELECT ID, FTSIZE, FNUM, MASK, FNAME FROM FILEINFO_IDX ORDER BY ID");
    }

    CFileInfoDB db_{ConfigInfo::global().getDatabasePath()};
    std::string folderId_;
};

TEST_F(IndexTest, EntryRightAlignsTheWasteAndTheCount) {
    const std::string entry = FileInfoAnalyse::formatEntry(2000, 3, maskOf(1000), "a.bin");
    EXPECT_EQ(entry, std::string(28, ' ') + "2000|" + std::string(7, ' ') + "3|" + maskOf(1000) +
                         "|a.bin");
}

TEST_F(IndexTest, SizeIsReadFromTheMaskLeastSignificantByteFirst) {
    EXPECT_EQ(FileInfoAnalyse::sizeFromMask("E8030000" + std::string(72, '0')), 1000u);
    EXPECT_EQ(FileInfoAnalyse::sizeFromMask("000000C0" + std::string(72, '0')), 3221225472u);
    EXPECT_EQ(FileInfoAnalyse::sizeFromMask("XYZ"), 0u);
}

TEST_F(IndexTest, ThreeCopiesOfA1000ByteFileWaste2000Bytes) {
    for (const char* name : {"a", "b", "c"}) addFile(name, maskOf(1000));
    ASSERT_TRUE(FileInfoAnalyse().buildIndex());
    const auto rows = index();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (CSqliteDB::Row{"1", "2000", "3", maskOf(1000), "a"}));
}

TEST_F(IndexTest, ThreeCopiesOfA3GiBFileWasteMoreThan32BitsHold) {
    for (const char* name : {"a", "b", "c"}) addFile(name, maskOf(3221225472u));
    ASSERT_TRUE(FileInfoAnalyse().buildIndex());
    EXPECT_EQ(index().at(0).at(1), "6442450944");
}

TEST_F(IndexTest, SingleFileGetsARowOfItsOwnWithNoWaste) {
    addFile("only", maskOf(500));
    ASSERT_TRUE(FileInfoAnalyse().buildIndex());
    EXPECT_EQ(index().at(0), (CSqliteDB::Row{"1", "0", "1", maskOf(500), "only"}));
}

TEST_F(IndexTest, EmptyFilesFormOneGroupWithoutWaste) {
    const std::string empty(80, '0');
    for (const char* name : {"e1", "e2", "e3", "e4"}) addFile(name, empty);
    ASSERT_TRUE(FileInfoAnalyse().buildIndex());
    EXPECT_EQ(index().at(0), (CSqliteDB::Row{"1", "0", "4", empty, "e1"}));
}

TEST_F(IndexTest, GroupNameIsThatOfTheFileWithTheSmallestId) {
    addFile("zeta", maskOf(10));
    addFile("alpha", maskOf(10));
    ASSERT_TRUE(FileInfoAnalyse().buildIndex());
    EXPECT_EQ(index().at(0).at(4), "zeta");
}

TEST_F(IndexTest, GroupsAreNumberedByWasteThenCountThenMaskLargestFirst) {
    addFile("small1", maskOf(10, "01"));  // waste 10
    addFile("small2", maskOf(10, "01"));
    for (const char* n : {"big1", "big2"}) addFile(n, maskOf(5000, "02"));  // waste 5000
    for (const char* n : {"m1", "m2", "m3"}) addFile(n, maskOf(50, "03"));  // waste 100, count 3
    for (const char* n : {"h1", "h2"}) addFile(n, maskOf(100, "04"));       // waste 100, count 2
    for (const char* n : {"k1", "k2"}) addFile(n, maskOf(100, "05"));       // as h, larger MASK
    ASSERT_TRUE(FileInfoAnalyse().buildIndex());
    std::vector<std::string> order;
    for (const auto& row : index()) order.push_back(row.at(4));
    EXPECT_EQ(order, (std::vector<std::string>{"big1", "m1", "k1", "h1", "small1"}));
}

TEST_F(IndexTest, EmptyFileTableLeavesAnEmptyIndex) {
    ASSERT_TRUE(FileInfoAnalyse().buildIndex());
    EXPECT_TRUE(index().empty());
}

TEST_F(IndexTest, RebuildReplacesTheWholeIndex) {
    addFile("a", maskOf(7));
    ASSERT_TRUE(FileInfoAnalyse().buildIndex());
    ASSERT_TRUE(db_.deleteFile(folderId_, "a"));
    addFile("b", maskOf(8));
    ASSERT_TRUE(FileInfoAnalyse().buildIndex());
    const auto rows = index();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at(4), "b");
}

TEST_F(IndexTest, UnreadableDatabaseFailsAndIsLeftAsItWas) {
    db_.close();
    testsupport::removeDatabase();
    const std::string garbage(4096, 'x');
    std::ofstream(testsupport::databaseNativePath(), std::ios::binary) << garbage;
    EXPECT_FALSE(FileInfoAnalyse().buildIndex());
    std::ifstream in(testsupport::databaseNativePath(), std::ios::binary);
    const std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(after, garbage);
}

// The rewrite drops the table, and with it any trigger made on it: a trigger
// that survives a build shows that the index was left as it was.
class UnchangedIndexTest : public IndexTest {
protected:
    void SetUp() override {
        IndexTest::SetUp();
        for (const char* name : {"a", "b"}) addFile(name, maskOf(100));
        addFile("c", maskOf(7));
        ASSERT_TRUE(FileInfoAnalyse().buildIndex());
        before_ = index();
        executeSql("CREATE TRIGGER IDX_MARK AFTER DELETE ON FILEINFO_IDX BEGIN SELECT 1; END");
    }

    static bool markSurvived() {
        return !selectRows("SELECT name FROM sqlite_master WHERE name = 'IDX_MARK'").empty();
    }

    std::vector<CSqliteDB::Row> before_;
};

TEST_F(UnchangedIndexTest, BuildOverUnchangedFilesLeavesTheIndexInPlace) {
    ASSERT_TRUE(FileInfoAnalyse().buildIndex());
    EXPECT_TRUE(markSurvived());
    EXPECT_EQ(index(), before_);
}

TEST_F(UnchangedIndexTest, IndexThatDiffersInOneCountIsRewritten) {
    executeSql("UPDATE FILEINFO_IDX SET FNUM = 5 WHERE ID = 1");
    ASSERT_TRUE(FileInfoAnalyse().buildIndex());
    EXPECT_FALSE(markSurvived());
    EXPECT_EQ(index(), before_);
}

TEST_F(UnchangedIndexTest, IndexWithAnExtraRowIsRewritten) {
    executeSql("INSERT INTO FILEINFO_IDX (FTSIZE, FNUM, MASK, FNAME) VALUES (0, 1, '" + maskOf(9) +
               "', 'x')");
    ASSERT_TRUE(FileInfoAnalyse().buildIndex());
    EXPECT_EQ(index(), before_);
}

TEST_F(UnchangedIndexTest, IndexWhoseSequenceRanAheadIsRewritten) {
    executeSql("UPDATE sqlite_sequence SET seq = 40 WHERE name = 'FILEINFO_IDX'");
    ASSERT_TRUE(FileInfoAnalyse().buildIndex());
    EXPECT_FALSE(markSurvived());
    EXPECT_EQ(selectRows("SELECT seq FROM sqlite_sequence WHERE name = 'FILEINFO_IDX'").at(0).at(0),
              "2");
}
