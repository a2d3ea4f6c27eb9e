// SPDX-License-Identifier: MIT
#include <algorithm>

#include "StorageTest.h"

namespace {
using Names = std::vector<std::string>;

// C:\A\ with two subfolders, a deeper one and a sibling that shares its first
// letter, each holding one file.
class FolderTreeTest : public FileInfoDBTest {
protected:
    void SetUp() override {
        FileInfoDBTest::SetUp();
        int n = 0;
        for (const char* path : {"C:\\", "C:\\A\\", "C:\\A\\B\\", "C:\\A\\C\\", "C:\\A\\B\\D\\",
                                 "C:\\AB\\", "C:\\AB\\X\\"}) {
            const std::string id = addFolder(path);
            ++n;
            addFile(id, "f" + std::to_string(n) + ".txt", mask(n));
        }
        a_ = idOf("C:\\A\\");
    }

    std::string idOf(const std::string& path) {
        std::vector<std::string> record;
        EXPECT_TRUE(db_.getFolderRecord(record, path)) << path;
        return record.empty() ? std::string() : record.front();
    }

    Names folders() { return column("SELECT FNAME FROM FILEINFO_DIF ORDER BY FNAME"); }
    Names files() { return column("SELECT FNAME FROM FILEINFO_FIF ORDER BY FNAME"); }

    std::string a_;
};
}  // namespace

TEST_F(FolderTreeTest, ListsDirectSubfoldersAndFilesOfTheFolder) {
    Names subfolders, fileNames;
    ASSERT_TRUE(db_.listFolderContents(a_, "2", "C:\\A\\", subfolders, fileNames));
    std::sort(subfolders.begin(), subfolders.end());
    EXPECT_EQ(subfolders, (Names{"C:\\A\\B\\", "C:\\A\\C\\"}));
    EXPECT_EQ(fileNames, (Names{"f2.txt"}));
}

TEST_F(FolderTreeTest, ListingAppendsBehindWhatTheListsHold) {
    Names subfolders = {"old"}, fileNames = {"old"};
    ASSERT_TRUE(
        db_.listFolderContents(idOf("C:\\A\\B\\"), "3", "C:\\A\\B\\", subfolders, fileNames));
    EXPECT_EQ(subfolders, (Names{"old", "C:\\A\\B\\D\\"}));
    EXPECT_EQ(fileNames, (Names{"old", "f3.txt"}));
}

TEST_F(FolderTreeTest, LevelTextIsReadByItsLeadingDigits) {
    Names subfolders, fileNames;
    ASSERT_TRUE(db_.listFolderContents(a_, "1 root", "C:\\", subfolders, fileNames));
    std::sort(subfolders.begin(), subfolders.end());
    EXPECT_EQ(subfolders, (Names{"C:\\AB\\", "C:\\A\\"}));  // 'B' sorts before a backslash
}

TEST_F(FolderTreeTest, ListingWithAnInvalidFolderIdFailsAfterTheSubfolders) {
    Names subfolders, fileNames;
    EXPECT_FALSE(db_.listFolderContents("", "2", "C:\\A\\", subfolders, fileNames));
    EXPECT_EQ(subfolders.size(), 2u);
    EXPECT_TRUE(fileNames.empty());
}

TEST_F(FolderTreeTest, DeletingAFolderTakesEverythingBelowItAndKeepsItsSibling) {
    EXPECT_TRUE(db_.deleteFolderTree("C:\\A\\"));
    EXPECT_EQ(folders(), (Names{"C:\\", "C:\\AB\\", "C:\\AB\\X\\"}));
    EXPECT_EQ(files(), (Names{"f1.txt", "f6.txt", "f7.txt"}));
}

TEST_F(FolderTreeTest, FolderPathWithoutTrailingBackslashDeletesTheSame) {
    EXPECT_TRUE(db_.deleteFolderTree("C:\\A"));
    EXPECT_EQ(folders(), (Names{"C:\\", "C:\\AB\\", "C:\\AB\\X\\"}));
    EXPECT_EQ(files(), (Names{"f1.txt", "f6.txt", "f7.txt"}));
}

TEST_F(FolderTreeTest, DeletingAnEmptyPathDeletesNothing) {
    EXPECT_TRUE(db_.deleteFolderTree(""));
    EXPECT_EQ(folders().size(), 7u);
    EXPECT_EQ(files().size(), 7u);
}

TEST_F(FolderTreeTest, DeletingASubfolderLeavesItsParent) {
    EXPECT_TRUE(db_.deleteFolderTree("C:\\A\\B\\"));
    EXPECT_EQ(folders(), (Names{"C:\\", "C:\\AB\\", "C:\\AB\\X\\", "C:\\A\\", "C:\\A\\C\\"}));
}

TEST_F(FolderTreeTest, QuotedPathIsStoredFoundAndDeleted) {
    const std::string path = "C:\\A\\Bob's files\\";
    const std::string id = addFolder(path);
    addFile(id, "it's.txt", mask(50));
    Names subfolders, fileNames;
    ASSERT_TRUE(db_.listFolderContents(a_, "2", "C:\\A\\", subfolders, fileNames));
    EXPECT_NE(std::find(subfolders.begin(), subfolders.end(), path), subfolders.end());
    Names inside, insideFiles;
    ASSERT_TRUE(db_.listFolderContents(id, "3", path, inside, insideFiles));
    EXPECT_EQ(insideFiles, (Names{"it's.txt"}));
    EXPECT_TRUE(db_.deleteFolderTree("C:\\A\\Bob's files"));
    std::vector<std::string> record;
    EXPECT_FALSE(db_.getFolderRecord(record, path));
    EXPECT_EQ(files().size(), 7u);
}
