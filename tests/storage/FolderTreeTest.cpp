// SPDX-License-Identifier: MIT
#include <algorithm>

#include "StorageTest.h"
#include "storage/SqlText.h"

// Selections of a folder and what lies below it. They answer from the index
// on FNAME by a byte range, checked here against a plain scan of the whole
// table on the same data: wildcard characters, quotes, case, bytes that are
// not UTF-8, a last byte of 0xFF and a raised byte that becomes a quote.
namespace {
using Names = std::vector<std::string>;

// clang-format off
const Names kFolders = {
    "C:\\", "C:\\A\\", "C:\\A\\B\\", "C:\\A\\C\\", "C:\\A\\B\\D\\", "C:\\AB\\", "C:\\AB\\X\\",
    "C:\\A]\\", "c:\\a\\", "C:\\MY_DOCS\\", "C:\\MY_DOCS\\SUB\\", "C:\\MYXDOCS\\SUB\\",
    "C:\\100%\\", "C:\\100%\\IN\\", "C:\\1000\\", "C:\\BOB'S\\", "C:\\BOB'S\\IN\\", "C:\\BOBXS\\",
    "C:\\R&\\", "C:\\R'\\", "C:\\\xC4\xE3\\", "C:\\\xC4\xE3\\\xBA\xC3\\", "C:\\\xC4\xE4\\",
    "C:\\\xFF\\", "C:\\\xFF\\\xFF\\", "C:\\]\\", "D:\\MY_DOCS\\",
};
// clang-format on

const Names kPrefixes = {"C:\\MY_DOCS\\", "C:\\100%\\", "C:\\BOB'S\\", "C:\\R&", "C:\\\xC4\xE3\\",
                         "C:\\\xFF\\",    "C:\\\xFF",   "C:\\A\\",     "C:\\A",  "C:\\"};

bool beginsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// Every folder of kFolders holds one file.
class FolderTreeTest : public FileInfoDBTest {
protected:
    void SetUp() override {
        FileInfoDBTest::SetUp();
        for (const std::string& path : kFolders) addFile(addFolder(path), "f", mask(1));
    }

    Names folders() { return column("SELECT FNAME FROM FILEINFO_DIF ORDER BY FNAME"); }
    std::size_t fileCount() { return select("SELECT ID FROM FILEINFO_FIF").size(); }

    // Folders with `prefix` and `level`, found by reading every row.
    Names byFullScan(const std::string& prefix, int level) {
        Names found;
        for (const auto& row : select("SELECT FNAME, FLEVEL FROM FILEINFO_DIF ORDER BY FNAME")) {
            if (beginsWith(row.at(0), prefix) && row.at(1) == std::to_string(level))
                found.push_back(row.at(0));
        }
        return found;
    }

    Names subfoldersOf(const std::string& prefix, int level, Names* files = nullptr) {
        std::vector<std::string> record = {"1"};
        (void)db_.getFolderRecord(record, prefix);
        Names subfolders, names;
        EXPECT_TRUE(db_.listFolderContents(record.front(), std::to_string(level - 1), prefix,
                                           subfolders, names));
        if (files != nullptr) *files = names;
        std::sort(subfolders.begin(), subfolders.end());
        return subfolders;
    }
};
}  // namespace

TEST_F(FolderTreeTest, ListsDirectSubfoldersAndFilesOfTheFolder) {
    Names files;
    EXPECT_EQ(subfoldersOf("C:\\A\\", 3, &files), (Names{"C:\\A\\B\\", "C:\\A\\C\\"}));
    EXPECT_EQ(files, Names{"f"});
}

TEST_F(FolderTreeTest, DeletingAFolderTakesEverythingBelowItAndKeepsItsSibling) {
    EXPECT_TRUE(db_.deleteFolderTree("C:\\A\\"));
    const Names left = folders();
    EXPECT_EQ(std::count_if(left.begin(), left.end(),
                            [](const std::string& path) { return beginsWith(path, "C:\\A\\"); }),
              0);
    EXPECT_NE(std::find(left.begin(), left.end(), "C:\\AB\\X\\"), left.end());
    EXPECT_EQ(left.size(), kFolders.size() - 4);
    EXPECT_EQ(fileCount(), kFolders.size() - 4);
}

TEST_F(FolderTreeTest, EmptyPathDeletesNothing) {
    EXPECT_TRUE(db_.deleteFolderTree(""));
    EXPECT_EQ(folders().size(), kFolders.size());
}

TEST_F(FolderTreeTest, ListingMatchesAFullScanAtEveryLevel) {
    for (const std::string& prefix : kPrefixes) {
        for (int level = 1; level <= 4; ++level) {
            EXPECT_EQ(subfoldersOf(prefix, level), byFullScan(prefix, level))
                << "prefix " << prefix << " level " << level;
        }
    }
}

TEST_F(FolderTreeTest, DeletionMatchesAFullScan) {
    for (const std::string& prefix : kPrefixes) {
        const std::string below = prefix.back() == '\\' ? prefix : prefix + "\\";
        Names kept;
        for (const std::string& path : kFolders) {
            if (!beginsWith(path, below)) kept.push_back(path);
        }
        std::sort(kept.begin(), kept.end());
        EXPECT_TRUE(db_.deleteFolderTree(prefix));
        EXPECT_EQ(folders(), kept) << prefix;
        EXPECT_EQ(fileCount(), kept.size()) << prefix;
        // Back to the full set for the next prefix.
        ASSERT_TRUE(db_.execute("DELETE FROM FILEINFO_DIF"));
        ASSERT_TRUE(db_.execute("DELETE FROM FILEINFO_FIF"));
        for (const std::string& path : kFolders) addFile(addFolder(path), "f", mask(1));
    }
}

TEST_F(FolderTreeTest, RangeIsAnsweredFromTheIndexOnFname) {
    const auto plan = select("EXPLAIN QUERY PLAN SELECT FNAME FROM FILEINFO_DIF WHERE " +
                             sqltext::prefixCondition("FNAME", "C:\\A\\") + " AND FLEVEL = 3");
    ASSERT_FALSE(plan.empty());
    const std::string detail = plan.front().back();
    EXPECT_NE(detail.find("USING"), std::string::npos) << detail;
    EXPECT_NE(detail.find("INDEX"), std::string::npos) << detail;
}
