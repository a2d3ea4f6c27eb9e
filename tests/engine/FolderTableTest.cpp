// SPDX-License-Identifier: MIT
#include <filesystem>

#include "EngineTest.h"
#include "engine/FileInfoData.h"
#include "storage/CFileInfoDB.h"

namespace {
const char* const kTime = "20240102030405006";
}  // namespace

class FolderTableTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_TRUE(db_.open()) << db_.errorText();
    }

    // Stores a folder as a completed scan leaves it; returns its ID.
    std::string addFolder(const std::string& path) {
        EXPECT_TRUE(db_.insertFolder(path)) << path << ": " << db_.errorText();
        const std::string id = db_.lastInsertId();
        EXPECT_TRUE(db_.updateFolderTime(kTime, id)) << path;
        return id;
    }

    void addFile(const std::string& folderId, const std::string& name) {
        EXPECT_TRUE(db_.insertFile(folderId, name, std::string(80, '0'), 1)) << name;
    }

    static std::vector<std::string> storedNames(const std::string& folderId) {
        std::vector<std::string> names;
        for (const auto& row : selectRows(
                 "SELECT FNAME FROM FILEINFO_FIF WHERE FOLDERID = " + folderId + " ORDER BY FNAME"))
            names.push_back(row.at(0));
        return names;
    }

    CFileInfoDB db_{ConfigInfo::global().getDatabasePath()};
};

TEST_F(FolderTableTest, StoredFolderComparesEqualOnlyToItsOwnTimeText) {
    addFolder("C:\\A\\");
    FileInfoData data;
    EXPECT_EQ(data.compareFolderTime(kTime, "C:\\A\\"), 1);
    EXPECT_EQ(data.compareFolderTime("20240102030405007", "C:\\A\\"), -1);
    EXPECT_EQ(data.compareFolderTime(kTime, "C:\\B\\"), 0);
}

TEST_F(FolderTableTest, FolderInsertedInThisScanComparesAsNewUntilItsTimeIsRecorded) {
    FileInfoData data;
    const std::string id = data.getFolderId("C:\\N\\");
    ASSERT_FALSE(id.empty());
    EXPECT_EQ(data.compareFolderTime(" ", "C:\\N\\"), 0);
    data.updateFolderTime("C:\\N\\", id, kTime);
    EXPECT_EQ(data.compareFolderTime(kTime, "C:\\N\\"), 1);
    EXPECT_EQ(data.getFolderId("C:\\N\\"), id);
}

TEST_F(FolderTableTest, NewFolderRowStaysBlankUntilItsTimeIsRecorded) {
    FileInfoData data;
    const std::string id = data.getFolderId("C:\\N\\SUB\\");
    data.updateFolderTime("C:\\N\\SUB\\", id, kTime);
    const auto rows = selectRows("SELECT FTIME, FLEVEL FROM FILEINFO_DIF WHERE ID = " + id);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (CSqliteDB::Row{kTime, "3"}));
}

TEST_F(FolderTableTest, DiffSplitsDiskFilesIntoNewAndExistingAndDeletesTheVanished) {
    const std::string id = addFolder("C:\\A\\");
    addFile(id, "B.TXT");
    addFile(id, "C.TXT");
    FileInfoData data;
    std::vector<std::string> files{"C:\\A\\C.TXT", "C:\\A\\A.TXT"};
    std::vector<std::string> existing{"left over"};
    ASSERT_TRUE(data.diffFolder("C:\\A\\", {}, files, existing));
    EXPECT_EQ(files, std::vector<std::string>{"C:\\A\\A.TXT"});
    EXPECT_EQ(existing, std::vector<std::string>{"C:\\A\\C.TXT"});
    EXPECT_EQ(storedNames(id), std::vector<std::string>{"C.TXT"});
}

TEST_F(FolderTableTest, DiffAgainstAnEmptyListingDeletesEveryStoredFile) {
    const std::string id = addFolder("C:\\A\\");
    addFile(id, "X");
    addFile(id, "Y");
    FileInfoData data;
    std::vector<std::string> files;
    std::vector<std::string> existing;
    ASSERT_TRUE(data.diffFolder("C:\\A\\", {}, files, existing));
    EXPECT_TRUE(files.empty());
    EXPECT_TRUE(existing.empty());
    EXPECT_TRUE(storedNames(id).empty());
}

TEST_F(FolderTableTest, DiffDeletesAVanishedSubfolderTreeButKeepsListedAndLookAlikeSiblings) {
    addFolder("C:\\A\\");
    addFolder("C:\\A\\B\\");
    addFolder("C:\\A\\B\\C\\");
    const std::string deepest = addFolder("C:\\A\\B\\C\\D\\");
    addFile(deepest, "f");
    addFolder("C:\\A\\BC\\");
    addFolder("C:\\A\\KEPT\\");
    FileInfoData data;
    std::vector<std::string> files;
    std::vector<std::string> existing;
    ASSERT_TRUE(data.diffFolder("C:\\A\\", {"C:\\A\\BC", "C:\\A\\KEPT"}, files, existing));
    std::vector<std::string> left;
    for (const auto& row : selectRows("SELECT FNAME FROM FILEINFO_DIF ORDER BY FNAME"))
        left.push_back(row.at(0));
    EXPECT_EQ(left, (std::vector<std::string>{"C:\\A\\", "C:\\A\\BC\\", "C:\\A\\KEPT\\"}));
    EXPECT_EQ(rowCount("FILEINFO_FIF"), 0u);
}

TEST_F(FolderTableTest, DiffOfAFolderWithoutARowFailsAndLeavesTheListingAlone) {
    FileInfoData data;
    std::vector<std::string> files{"C:\\Z\\b", "C:\\Z\\a"};
    std::vector<std::string> existing;
    EXPECT_FALSE(data.diffFolder("C:\\Z\\", {}, files, existing));
    EXPECT_EQ(files, (std::vector<std::string>{"C:\\Z\\b", "C:\\Z\\a"}));
}

TEST_F(FolderTableTest, IgnoredFoldersAreLoadedAsStored) {
    ASSERT_TRUE(db_.addIgnoredFolder("C:\\DATA\\TEMP"));
    ASSERT_TRUE(db_.addIgnoredFolder("C:\\Bob's"));
    FileInfoData data;
    auto ignored = data.loadIgnoredFolders();
    std::sort(ignored.begin(), ignored.end());
    EXPECT_EQ(ignored, (std::vector<std::string>{"C:\\Bob's", "C:\\DATA\\TEMP"}));
}

TEST_F(FolderTableTest, ScanRecordCarriesTheGivenStartAndIsReadBackAsTheLastScanTime) {
    FileInfoData data;
    EXPECT_EQ(data.lastScanTime("C:\\"), 0);
    ASSERT_TRUE(data.addScanRecord("C:\\", 1234));
    ASSERT_TRUE(data.addScanRecord("C:\\", 987));
    ASSERT_TRUE(data.addScanRecord("D:\\", 5555));
    EXPECT_EQ(data.lastScanTime("C:\\"), 987);
}

TEST_F(FolderTableTest, DatabaseThatCouldNotBeOpenedIsOpenedAgainByTheNextWrite) {
    db_.close();
    testsupport::removeDatabase();
    // A folder in the database file's place: no connection can be opened.
    const std::string blocker = testsupport::databaseNativePath();
    ASSERT_TRUE(std::filesystem::create_directory(blocker));
    FileInfoData data;
    EXPECT_FALSE(data.database().isOpen());
    EXPECT_EQ(data.compareFolderTime(kTime, "C:\\A\\"), 0);
    ASSERT_TRUE(std::filesystem::remove(blocker));
    const std::string id = data.getFolderId("C:\\A\\");
    ASSERT_FALSE(id.empty());
    data.updateFolderTime("C:\\A\\", id, kTime);
    EXPECT_EQ(data.compareFolderTime(kTime, "C:\\A\\"), 1);
    EXPECT_EQ(selectRows("SELECT FNAME, FTIME FROM FILEINFO_DIF"),
              (std::vector<CSqliteDB::Row>{{"C:\\A\\", kTime}}));
}
