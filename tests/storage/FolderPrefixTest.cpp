// SPDX-License-Identifier: MIT
#include <algorithm>

#include "StorageTest.h"
#include "storage/SqlText.h"

// The prefix selections answer from the index on FNAME by a byte range; here
// they are checked against a plain scan of the whole table on the same data.
namespace {
using Names = std::vector<std::string>;

const Names kFolders = {
    "C:\\",
    "C:\\MY_DOCS\\",
    "C:\\MY_DOCS\\SUB\\",
    "C:\\MYXDOCS\\",
    "C:\\MYXDOCS\\SUB\\",
    "C:\\100%\\",
    "C:\\100%\\IN\\",
    "C:\\1000\\",
    "C:\\100X\\",
    "C:\\BOB'S\\",
    "C:\\BOB'S\\IN\\",
    "C:\\BOBXS\\",
    "C:\\\xC4\xE3\\",
    "C:\\\xC4\xE3\\\xBA\xC3\\",
    "C:\\\xC4\xE4\\",
    "C:\\\xFF\\",
    "C:\\\xFF\\\xFF\\",
    "C:\\]\\",
    "C:\\A\\",
    "C:\\A]\\",
    "c:\\a\\",
    "C:\\A\\B\\",
    "D:\\",
    "D:\\MY_DOCS\\",
};

const Names kPrefixes = {
    "C:\\MY_DOCS\\", "C:\\100%\\", "C:\\BOB'S\\", "C:\\\xC4\xE3\\", "C:\\\xFF\\",
    "C:\\\xFF",      "C:\\A\\",    "C:\\A",       "C:\\",           "",
};

bool beginsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

class FolderPrefixTest : public FileInfoDBTest {
protected:
    void SetUp() override {
        FileInfoDBTest::SetUp();
        for (const std::string& path : kFolders) addFile(addFolder(path), "f", mask(1));
    }

    // Folders with `prefix` and `level`, found by reading every row.
    Names byFullScan(const std::string& prefix, int level) {
        Names found;
        for (const auto& row : select("SELECT FNAME, FLEVEL FROM FILEINFO_DIF")) {
            if (beginsWith(row.at(0), prefix) && row.at(1) == std::to_string(level))
                found.push_back(row.at(0));
        }
        std::sort(found.begin(), found.end());
        return found;
    }

    Names byListing(const std::string& prefix, int level) {
        Names subfolders, files;
        EXPECT_TRUE(
            db_.listFolderContents("1", std::to_string(level - 1), prefix, subfolders, files));
        std::sort(subfolders.begin(), subfolders.end());
        return subfolders;
    }
};
}  // namespace

TEST_F(FolderPrefixTest, ListingMatchesAFullScanAtEveryLevel) {
    for (const std::string& prefix : kPrefixes) {
        for (int level = 1; level <= 4; ++level) {
            EXPECT_EQ(byListing(prefix, level), byFullScan(prefix, level))
                << "prefix " << prefix << " level " << level;
        }
    }
}

TEST_F(FolderPrefixTest, DeletionMatchesAFullScan) {
    for (const std::string& prefix : kPrefixes) {
        if (prefix.empty()) continue;  // deletes nothing by contract
        std::string below = prefix.back() == '\\' ? prefix : prefix + "\\";
        Names kept;
        for (const std::string& path : kFolders) {
            if (!beginsWith(path, below) && path != prefix) kept.push_back(path);
        }
        std::sort(kept.begin(), kept.end());
        EXPECT_TRUE(db_.deleteFolderTree(prefix));
        EXPECT_EQ(column("SELECT FNAME FROM FILEINFO_DIF ORDER BY FNAME"), kept) << prefix;
        EXPECT_EQ(column("SELECT COUNT(*) FROM FILEINFO_FIF"), Names{std::to_string(kept.size())})
            << prefix;
        // Back to the full set for the next prefix.
        ASSERT_TRUE(db_.execute("DELETE FROM FILEINFO_DIF"));
        ASSERT_TRUE(db_.execute("DELETE FROM FILEINFO_FIF"));
        for (const std::string& path : kFolders) addFile(addFolder(path), "f", mask(1));
    }
}

TEST_F(FolderPrefixTest, UnderscoreAndPercentAreOrdinaryCharacters) {
    EXPECT_EQ(byListing("C:\\MY_DOCS\\", 3), Names{"C:\\MY_DOCS\\SUB\\"});
    EXPECT_TRUE(db_.deleteFolderTree("C:\\100%"));
    EXPECT_EQ(column("SELECT FNAME FROM FILEINFO_DIF WHERE FNAME LIKE 'C:\\100%' ORDER BY FNAME"),
              (Names{"C:\\1000\\", "C:\\100X\\"}));
}

TEST_F(FolderPrefixTest, RangeIsAnsweredFromTheIndexOnFname) {
    const std::string plan = "EXPLAIN QUERY PLAN SELECT FNAME FROM FILEINFO_DIF WHERE " +
                             sqltext::prefixCondition("FNAME", "C:\\A\\") + " AND FLEVEL = 3";
    const auto rows = select(plan);
    ASSERT_FALSE(rows.empty());
    const std::string detail = rows.front().back();
    EXPECT_NE(detail.find("USING"), std::string::npos) << detail;
    EXPECT_NE(detail.find("INDEX"), std::string::npos) << detail;
}
