// SPDX-License-Identifier: MIT
// The index is built again only when a file row changed since its last
// build, whoever changed it; otherwise it is left as a build would write it.
#include <cstdio>

#include "EngineTest.h"
#include "engine/FileInfoAnalyse.h"
#include "storage/CFileInfoDB.h"

namespace {

std::string maskOf(std::uint32_t size, char sample) {
    char field[9];
    std::snprintf(field, sizeof field, "%02X%02X%02X%02X", size & 0xFF, (size >> 8) & 0xFF,
                  (size >> 16) & 0xFF, size >> 24);
    return field + std::string(72, sample);
}

using Rows = std::vector<CSqliteDB::Row>;

Rows index() {
    return selectRows("SELECT ID, FTSIZE, FNUM, MASK, FNAME FROM FILEINFO_IDX ORDER BY ID");
}

// A trigger of the test's own on the index: dropping the table for a rewrite
// drops it too, so its survival shows the build left the index in place.
void markIndex() {
    executeSql("CREATE TRIGGER TEST_MARK AFTER DELETE ON FILEINFO_IDX BEGIN SELECT 1; END");
}
bool markSurvived() {
    return !selectRows("SELECT name FROM sqlite_master WHERE name = 'TEST_MARK'").empty();
}

// The index a build writes when it cannot know the old one: the record of
// the last build is forgotten first.
Rows rebuiltIndex() {
    executeSql("UPDATE LANBROOK_GENERATION SET VALUE = -1 WHERE NAME = 'INDEX'");
    EXPECT_TRUE(FileInfoAnalyse().buildIndex());
    return index();
}

}  // namespace

class IndexGenerationTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        CFileInfoDB db(ConfigInfo::global().getDatabasePath());
        ASSERT_TRUE(db.open()) << db.errorText();
        ASSERT_TRUE(db.insertFolder("C:\\D\\"));
        folderId_ = db.lastInsertId();
        ASSERT_TRUE(db.updateFolderTime("20240101000000000", folderId_));
        for (const char* name : {"a", "b", "c"})
            ASSERT_TRUE(db.insertFile(folderId_, name, maskOf(100, 'A'), 1));
        ASSERT_TRUE(db.insertFile(folderId_, "d", maskOf(9, 'B'), 1));
        db.close();
        FileInfoAnalyse first;
        ASSERT_TRUE(first.buildIndex());
        ASSERT_TRUE(first.indexWritten());
        built_ = index();
        ASSERT_EQ(built_.size(), 2u);
        markIndex();
    }

    // Builds, and tells whether the index was left in place.
    bool buildLeftIndexInPlace() {
        FileInfoAnalyse build;
        EXPECT_TRUE(build.buildIndex());
        EXPECT_TRUE(build.indexWritten());
        return markSurvived();
    }

    std::string folderId_;
    Rows built_;
};

TEST_F(IndexGenerationTest, UnchangedRowsLeaveTheIndexAsARebuildWritesIt) {
    EXPECT_TRUE(buildLeftIndexInPlace());
    EXPECT_EQ(index(), built_);
    EXPECT_EQ(rebuiltIndex(), built_);
}

TEST_F(IndexGenerationTest, RowsChangedByPlainSqlOfAnotherConnectionAreIndexed) {
    executeSql("UPDATE FILEINFO_FIF SET MASK = '" + maskOf(9, 'B') + "' WHERE FNAME = 'a'");
    EXPECT_FALSE(buildLeftIndexInPlace());
    const Rows after = index();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0], (CSqliteDB::Row{"1", "100", "2", maskOf(100, 'A'), "b"}));
    EXPECT_EQ(after[1], (CSqliteDB::Row{"2", "9", "2", maskOf(9, 'B'), "a"}));
    EXPECT_EQ(rebuiltIndex(), after);
}

TEST_F(IndexGenerationTest, InsertedAndDeletedRowsAreIndexed) {
    executeSql("INSERT INTO FILEINFO_FIF (MASK, FOLDERID, FNAME, FTIME) VALUES ('" +
               maskOf(5, 'C') + "', " + folderId_ + ", 'e', 1)");
    EXPECT_FALSE(buildLeftIndexInPlace());
    EXPECT_EQ(index().size(), 3u);
    markIndex();
    executeSql("DELETE FROM FILEINFO_FIF WHERE FNAME = 'e'");
    EXPECT_FALSE(buildLeftIndexInPlace());
    EXPECT_EQ(index(), built_);
}

TEST_F(IndexGenerationTest, RenamedRowIsIndexedUnderItsNewName) {
    executeSql("UPDATE FILEINFO_FIF SET FNAME = 'z' WHERE FNAME = 'd'");
    EXPECT_FALSE(buildLeftIndexInPlace());
    EXPECT_EQ(index().at(1).at(4), "z");
}

TEST_F(IndexGenerationTest, NewTimeAloneChangesNothingTheIndexHolds) {
    executeSql("UPDATE FILEINFO_FIF SET FTIME = 99");
    EXPECT_TRUE(buildLeftIndexInPlace());
    EXPECT_EQ(rebuiltIndex(), built_);
}

TEST_F(IndexGenerationTest, IndexRowsChangedByHandAreWrittenAgain) {
    executeSql("DELETE FROM FILEINFO_IDX WHERE ID = 2");
    EXPECT_FALSE(buildLeftIndexInPlace());
    EXPECT_EQ(index(), built_);
}

TEST_F(IndexGenerationTest, IndexTableMadeAgainByAnotherProgramIsWrittenAgain) {
    // A program that knows nothing of the record drops and recreates the
    // table, then fails before writing its rows.
    executeSql("DROP TABLE FILEINFO_IDX");
    executeSql(
        "CREATE TABLE FILEINFO_IDX (ID INTEGER PRIMARY KEY AUTOINCREMENT,FTSIZE INTEGER "
        "DEFAULT 0,FNUM INTEGER DEFAULT 0,MASK CHAR(80) NOT NULL,FNAME VARCHAR(256) NOT "
        "NULL,UNIQUE (MASK))");
    EXPECT_FALSE(buildLeftIndexInPlace());
    EXPECT_EQ(index(), built_);
}

TEST_F(IndexGenerationTest, DatabaseWithoutTheCounterIsIndexedOnItsFirstBuild) {
    for (const char* trigger :
         {"LANBROOK_FIF_INSERT", "LANBROOK_FIF_DELETE", "LANBROOK_FIF_UPDATE",
          "LANBROOK_IDX_INSERT", "LANBROOK_IDX_DELETE", "LANBROOK_IDX_UPDATE"})
        executeSql(std::string("DROP TRIGGER ") + trigger);
    executeSql("DROP TABLE LANBROOK_GENERATION");
    // Written without the counter, as a build that predates it would.
    executeSql("UPDATE FILEINFO_FIF SET MASK = '" + maskOf(9, 'B') + "' WHERE FNAME = 'a'");
    EXPECT_FALSE(buildLeftIndexInPlace());
    EXPECT_EQ(index().at(1).at(2), "2");
    EXPECT_EQ(rebuiltIndex(), index());
    // From then on the counter is kept again.
    markIndex();
    EXPECT_TRUE(buildLeftIndexInPlace());
    executeSql("DELETE FROM FILEINFO_FIF WHERE FNAME = 'a'");
    EXPECT_FALSE(buildLeftIndexInPlace());
    EXPECT_EQ(index().at(1).at(2), "1");
}
