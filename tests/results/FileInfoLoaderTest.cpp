// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "TempTree.h"
#include "engine/ConfigInfo.h"
#include "engine/FileInfoAnalyse.h"
#include "results/FileInfoLoader.h"
#include "storage/CFileInfoDB.h"
#include "util/FileUtility.h"
#include "util/platform/FileSystem.h"

namespace {

using Paths = std::vector<std::string>;
using Row = GroupTable::Row;

// A MASK of a file of `size` bytes: the size least significant byte first,
// then 72 digits that tell fingerprints of one size apart.
std::string maskOf(std::uint32_t size, int variant) {
    char head[9];
    std::snprintf(head, sizeof head, "%02X%02X%02X%02X", size & 0xFFu, size >> 8 & 0xFFu,
                  size >> 16 & 0xFFu, size >> 24 & 0xFFu);
    const std::string tail = std::to_string(variant);
    return head + std::string(72 - tail.size(), '0') + tail;
}

std::string sizeText(std::uint64_t bytes) {
    char buffer[32];
    return FileUtility::formatSize(buffer, bytes);
}

// The process's own database, filled the way an analysis fills it: folders
// and files through a connection of the test's own, then the index by the
// index builder.
class FileInfoLoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        testsupport::removeDatabase();
        ASSERT_TRUE(writer_.open()) << writer_.errorText();
    }
    void TearDown() override {
        writer_.close();
        testsupport::removeDatabase();
    }

    void storeFile(const std::string& path, const std::string& mask) {
        const std::size_t cut = path.rfind('\\') + 1;
        const std::string folder = path.substr(0, cut);
        auto known = folderIds_.find(folder);
        if (known == folderIds_.end()) {
            ASSERT_TRUE(writer_.insertFolder(folder)) << folder;
            const std::string id = writer_.lastInsertId();
            ASSERT_TRUE(writer_.updateFolderTime("20240102030405006", id)) << folder;
            known = folderIds_.emplace(folder, id).first;
        }
        ASSERT_TRUE(writer_.insertFile(known->second, path.substr(cut), mask, 1700000000)) << path;
    }

    void storeGroup(const std::string& mask, const Paths& paths) {
        for (const auto& path : paths) storeFile(path, mask);
    }

    // Builds the index as the end of an analysis does: ID 1 is the group that
    // wastes most, each group named after its file stored first.
    void writeIndex() {
        FileInfoAnalyse builder;
        ASSERT_TRUE(builder.buildIndex());
        ASSERT_TRUE(builder.indexWritten());
    }

    bool load(int code) {
        loader_.loadCategoryTable();
        if (!loader_.loadGroups(code)) return false;
        EXPECT_TRUE(loader_.buildPathTree(code));
        return true;
    }

    const CPathTreeNode* leaf(const std::string& path) const {
        return loader_.pathTree().findNode(path);
    }

    CFileInfoDB writer_{ConfigInfo::global().getDatabasePath()};
    std::map<std::string, std::string> folderIds_;
    FileInfoLoader loader_;
};

class CategoryTest : public ::testing::Test {
protected:
    void SetUp() override { loader_.loadCategoryTable(); }

    // The one category among 1 .. 10 that holds `name`.
    int categoryOf(const std::string& name) const {
        int found = -1;
        for (int code = 1; code < FileInfoLoader::kCategoryCount; ++code) {
            if (!loader_.isInCategory(code, name + "|")) continue;
            EXPECT_EQ(found, -1) << name << " is in " << found << " and in " << code;
            found = code;
        }
        return found;
    }

    FileInfoLoader loader_{"C:\\no-such-folder\\unused.db"};
};

}  // namespace

TEST_F(CategoryTest, OnlyTheLastExtensionCounts) {
    EXPECT_EQ(categoryOf("ARCHIVE.tar.gz"), FileInfoLoader::kArchives);
    EXPECT_EQ(categoryOf("report.pdf.exe"), FileInfoLoader::kPrograms);
}

TEST_F(CategoryTest, ExtensionLetterCaseDoesNotMatter) {
    EXPECT_EQ(categoryOf("photo.JpG"), FileInfoLoader::kPictures);
    EXPECT_EQ(categoryOf("Song.mP3"), FileInfoLoader::kMusic);
}

TEST_F(CategoryTest, NamesWithoutAKnownKeyAreOther) {
    for (const char* name : {"README", "name.", ".profile", "photo.jpeg", "a.c++", "tar", "x.7z2"})
        EXPECT_EQ(categoryOf(name), FileInfoLoader::kOther) << name;
}

TEST_F(CategoryTest, TheBarEndsTheKeySoShortKeysMatchOnlyThemselves) {
    EXPECT_EQ(categoryOf("main.c"), FileInfoLoader::kDevelopment);
    EXPECT_EQ(categoryOf("main.cpp"), FileInfoLoader::kDevelopment);
    EXPECT_EQ(categoryOf("main.cs"), FileInfoLoader::kOther);
    EXPECT_EQ(categoryOf("clip.rm"), FileInfoLoader::kVideo);
    EXPECT_EQ(categoryOf("clip.rmx"), FileInfoLoader::kOther);
}

TEST_F(CategoryTest, AnExtensionLongerThanEveryKeyIsOther) {
    EXPECT_EQ(categoryOf("build.vcxproj"), FileInfoLoader::kDevelopment);
    EXPECT_EQ(categoryOf("x.averyveryverylongextension"), FileInfoLoader::kOther);
}

TEST_F(CategoryTest, ABarInsideANameBelongsToTheName) {
    EXPECT_EQ(categoryOf("odd|name.jpg"), FileInfoLoader::kPictures);
    EXPECT_EQ(categoryOf("odd.jpg|name"), FileInfoLoader::kOther);
}

TEST_F(CategoryTest, EveryNameIsInCategoryZero) {
    for (const char* name : {"README|", "photo.jpg|", ".profile|", "|", ""})
        EXPECT_TRUE(loader_.isInCategory(FileInfoLoader::kAll, name)) << name;
}

TEST_F(CategoryTest, EachListedExtensionIsInItsCategory) {
    const std::map<int, std::vector<const char*>> lists = {
        {1,
         {"c",   "cpp", "h",   "rc",    "rc2", "vcxproj", "dsw", "sln", "ico", "java", "js", "xml",
          "php", "pl",  "obj", "class", "jar", "war",     "ilk", "idl", "pch", "ipch", "ear"}},
        {2, {"jpg", "gif", "png", "bmp"}},
        {3, {"doc", "docx", "xls", "xlsx", "ppt", "pptx", "pdf", "rtf"}},
        {5, {"wav", "mp3", "mid"}},
        {6, {"avi", "rm", "rmvb", "mkv", "mp4", "wmv", "3gp", "xv", "flv", "f4v"}},
        {7, {"txt", "log", "ini"}},
        {8, {"htm", "html", "chm", "mht", "url"}},
        {9, {"zip", "rar", "tar", "gz", "xz", "7z", "iso"}},
        {10, {"exe", "com", "msi", "bat"}},
    };
    std::size_t keys = 0;
    for (const auto& [code, extensions] : lists) {
        for (const char* extension : extensions)
            EXPECT_EQ(categoryOf(std::string("file.") + extension), code) << extension;
        keys += extensions.size();
    }
    EXPECT_EQ(keys, 67u);
}

TEST(FileSizeTest, TheFirstEightDigitsAreTheSizeLeastSignificantByteFirst) {
    EXPECT_EQ(FileInfoAnalyse::sizeFromMask("FFFFFFFF" + std::string(72, '0')), 4294967295u);
    EXPECT_EQ(FileInfoAnalyse::sizeFromMask("E8030000" + std::string(72, 'A')), 1000u);
    EXPECT_EQ(FileInfoAnalyse::sizeFromMask("00100000"), 4096u);
    EXPECT_EQ(FileInfoAnalyse::sizeFromMask(maskOf(123456789, 1)), 123456789u);
    for (const char* broken : {"E803", "E80300G0abc", "", "-1000000"})
        EXPECT_EQ(FileInfoAnalyse::sizeFromMask(broken), 0u) << broken;
}

TEST_F(FileInfoLoaderTest, DuplicateBytesAreTheSumOfTheStoredWaste) {
    storeGroup(maskOf(1000, 1), {"C:\\A\\x.txt", "C:\\B\\x.txt", "C:\\C\\x.txt"});
    storeGroup("not a fingerprint", {"C:\\A\\odd.txt", "C:\\B\\odd.txt"});
    storeGroup(maskOf(3, 2), {"C:\\A\\three.txt", "C:\\B\\three.txt"});
    writeIndex();
    ASSERT_TRUE(writer_.query("SELECT SUM(FTSIZE) FROM FILEINFO_IDX"));
    const std::string stored = writer_.resultRows().front().at(0);
    writer_.clearResult();
    ASSERT_TRUE(load(FileInfoLoader::kText));
    EXPECT_EQ(std::to_string(loader_.duplicateBytes()), stored);
    EXPECT_EQ(loader_.groupCount(), 3);
}

TEST_F(FileInfoLoaderTest, ThreeCopiesAddThreeSizesToTotalAndTwoToDuplicates) {
    storeGroup(maskOf(1000, 1), {"C:\\A\\x.txt", "C:\\B\\x.txt", "C:\\B\\y.txt"});
    writeIndex();
    ASSERT_TRUE(load(FileInfoLoader::kAll));
    EXPECT_EQ(loader_.totalBytes(), 3000);
    EXPECT_EQ(loader_.duplicateBytes(), 2000);
    EXPECT_EQ(loader_.getTotalSizeText(), sizeText(3000));
    EXPECT_EQ(loader_.getDuplicateSizeText(), sizeText(2000));
}

TEST_F(FileInfoLoaderTest, ASingleFileAddsToTotalOnly) {
    storeGroup(maskOf(1000, 1), {"C:\\A\\x.txt", "C:\\B\\x.txt"});
    storeGroup(maskOf(700, 2), {"C:\\A\\single.txt"});
    writeIndex();
    ASSERT_TRUE(load(FileInfoLoader::kAll));
    EXPECT_EQ(loader_.groupCount(), 2);
    EXPECT_EQ(loader_.totalBytes(), 2700);
    EXPECT_EQ(loader_.duplicateBytes(), 1000);
}

TEST_F(FileInfoLoaderTest, TotalsPassThirtyTwoBits) {
    storeGroup("FFFFFFFF" + maskOf(0, 1).substr(8),
               {"C:\\A\\big.iso", "C:\\B\\big.iso", "C:\\C\\big.iso"});
    writeIndex();
    ASSERT_TRUE(load(FileInfoLoader::kArchives));
    EXPECT_EQ(loader_.totalBytes(), 3 * 4294967295LL);
    EXPECT_EQ(loader_.duplicateBytes(), 2 * 4294967295LL);
}

TEST_F(FileInfoLoaderTest, GroupsOfACategoryAreNumberedInIndexOrder) {
    const std::string bigPhoto = maskOf(5000, 1), text = maskOf(4000, 2),
                      smallPhoto = maskOf(10, 3);
    storeGroup(bigPhoto, {"C:\\P\\big.jpg", "C:\\Q\\big.jpg"});
    storeGroup(text, {"C:\\P\\notes.txt", "C:\\Q\\notes.txt"});
    storeGroup(smallPhoto, {"C:\\P\\small.PNG"});
    writeIndex();
    ASSERT_TRUE(load(FileInfoLoader::kPictures));
    ASSERT_EQ(loader_.groupCount(), 2);
    EXPECT_EQ(loader_.GetFileInfo(0), (Row{"2", bigPhoto, "big.jpg"}));
    EXPECT_EQ(loader_.GetFileInfo(1), (Row{"1", smallPhoto, "small.PNG"}));
    EXPECT_EQ(loader_.totalBytes(), 10010);
}

TEST_F(FileInfoLoaderTest, CategoryZeroLoadsEveryIndexRow) {
    storeGroup(maskOf(10, 1), {"C:\\A\\a.jpg"});
    storeGroup(maskOf(10, 2), {"C:\\A\\README"});
    storeGroup(maskOf(10, 3), {"C:\\A\\setup.exe"});
    writeIndex();
    ASSERT_TRUE(load(FileInfoLoader::kAll));
    EXPECT_EQ(loader_.groupCount(), 3);
}

TEST_F(FileInfoLoaderTest, CategoryFourLoadsExactlyTheNamesOfNoList) {
    storeGroup(maskOf(10, 1), {"C:\\A\\a.jpg"});
    storeGroup(maskOf(10, 2), {"C:\\A\\README"});
    storeGroup(maskOf(10, 3), {"C:\\A\\.profile"});
    storeGroup(maskOf(10, 4), {"C:\\A\\name."});
    writeIndex();
    ASSERT_TRUE(load(FileInfoLoader::kOther));
    Paths names;
    for (int i = 0; i < loader_.groupCount(); ++i) names.push_back(loader_.GetFileInfo(i)[2]);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Paths{".profile", "README", "name."}));
}

TEST_F(FileInfoLoaderTest, ACategoryWithoutFilesIsEmptyWithZeroTexts) {
    storeGroup(maskOf(1000, 1), {"C:\\A\\x.txt", "C:\\B\\x.txt"});
    writeIndex();
    ASSERT_TRUE(load(FileInfoLoader::kVideo));
    EXPECT_EQ(loader_.groupCount(), 0);
    EXPECT_EQ(loader_.totalBytes(), 0);
    EXPECT_EQ(loader_.duplicateBytes(), 0);
    EXPECT_EQ(loader_.getTotalSizeText(), "0 B");
    EXPECT_EQ(loader_.getDuplicateSizeText(), "0 B");
    EXPECT_TRUE(loader_.pathTree().root().children().empty());
}

TEST_F(FileInfoLoaderTest, GetFileInfoOutsideTheGroupsRaisesTheBareText) {
    storeGroup(maskOf(1000, 1), {"C:\\A\\x.txt"});
    writeIndex();
    ASSERT_TRUE(load(FileInfoLoader::kAll));
    for (int index : {-1, loader_.groupCount()}) {
        try {
            static_cast<void>(loader_.GetFileInfo(index));
            ADD_FAILURE() << "no error at " << index;
        } catch (const char* text) {
            EXPECT_STREQ(text, "FileInfoLoader::GetFileInfo: index not exist/0") << index;
        }
    }
}

TEST_F(FileInfoLoaderTest, AnotherCategoryReplacesTheGroupsAndTotals) {
    storeGroup(maskOf(3000, 1), {"C:\\A\\x.txt", "C:\\B\\x.txt"});
    storeGroup(maskOf(20, 2), {"C:\\A\\a.jpg"});
    writeIndex();
    ASSERT_TRUE(load(FileInfoLoader::kText));
    ASSERT_TRUE(load(FileInfoLoader::kPictures));
    EXPECT_EQ(loader_.groupCount(), 1);
    EXPECT_EQ(loader_.totalBytes(), 20);
    EXPECT_EQ(loader_.duplicateBytes(), 0);
    EXPECT_EQ(leaf("C:\\A\\x.txt"), nullptr);
}

TEST_F(FileInfoLoaderTest, WithoutAnIndexLoadingFailsAndLeavesTheModelEmpty) {
    storeGroup(maskOf(1000, 1), {"C:\\A\\x.txt", "C:\\B\\x.txt"});
    writeIndex();
    ASSERT_TRUE(load(FileInfoLoader::kAll));
    ASSERT_TRUE(writer_.execute("DROP TABLE FILEINFO_IDX"));

    EXPECT_FALSE(loader_.loadGroups(FileInfoLoader::kAll));
    EXPECT_EQ(loader_.groupCount(), 0);
    EXPECT_EQ(loader_.totalBytes(), 0);
    EXPECT_EQ(loader_.duplicateBytes(), 0);
    EXPECT_TRUE(loader_.pathTree().root().children().empty());
}

TEST_F(FileInfoLoaderTest, ThePathTreeHoldsEveryFileOfTheCategoryWithItsGroup) {
    storeGroup(maskOf(5000, 1), {"C:\\P\\big.jpg", "D:\\Q\\copy.jpg"});
    storeGroup(maskOf(4000, 2), {"C:\\P\\notes.txt", "C:\\Q\\notes.txt"});
    storeGroup(maskOf(10, 3), {"C:\\P\\small.png"});
    writeIndex();
    ASSERT_TRUE(load(FileInfoLoader::kPictures));

    EXPECT_EQ(loader_.pathTree().root().getChildNames(), (Paths{"C:", "D:"}));
    ASSERT_NE(leaf("C:\\P"), nullptr);
    EXPECT_EQ(leaf("C:\\P")->getChildNames(), (Paths{"big.jpg", "small.png"}));
    EXPECT_EQ(leaf("C:\\P")->groupIndex(), -1);
    ASSERT_NE(leaf("D:\\Q\\copy.jpg"), nullptr);
    EXPECT_EQ(leaf("D:\\Q\\copy.jpg")->groupIndex(), 0);
    EXPECT_EQ(leaf("C:\\P\\small.png")->groupIndex(), 1);
    EXPECT_EQ(leaf("C:\\Q"), nullptr);
}

TEST_F(FileInfoLoaderTest, AFileWhoseGroupIsNamedForAnotherCategoryHasNoGroup) {
    storeGroup(maskOf(5000, 1), {"C:\\P\\big.jpg", "C:\\Q\\big.jpg"});
    storeGroup(maskOf(4000, 2), {"C:\\P\\notes.txt", "C:\\P\\notes-as.jpg"});
    writeIndex();
    ASSERT_TRUE(load(FileInfoLoader::kPictures));

    ASSERT_EQ(loader_.groupCount(), 1);
    const CPathTreeNode* stray = leaf("C:\\P\\notes-as.jpg");
    ASSERT_NE(stray, nullptr);
    EXPECT_EQ(stray->groupIndex(), FileInfoLoader::kNoGroup);
    EXPECT_GE(stray->groupIndex(), loader_.groupCount());
}

TEST_F(FileInfoLoaderTest, AFileNewerThanTheIndexHasNoGroup) {
    storeGroup(maskOf(5000, 1), {"C:\\P\\big.jpg", "C:\\Q\\big.jpg"});
    writeIndex();
    storeFile("C:\\P\\later.jpg", maskOf(5000, 9));
    ASSERT_TRUE(load(FileInfoLoader::kPictures));

    ASSERT_NE(leaf("C:\\P\\later.jpg"), nullptr);
    EXPECT_EQ(leaf("C:\\P\\later.jpg")->groupIndex(), FileInfoLoader::kNoGroup);
    EXPECT_EQ(leaf("C:\\P\\big.jpg")->groupIndex(), 0);
}

TEST_F(FileInfoLoaderTest, FolderNamesDifferingInCaseMeetAsThePlatformDecides) {
    storeGroup(maskOf(10, 1), {"C:\\Data\\a.txt"});
    storeGroup(maskOf(20, 2), {"C:\\DATA\\b.txt"});
    writeIndex();
    ASSERT_TRUE(load(FileInfoLoader::kAll));
    ASSERT_NE(leaf("C:"), nullptr);
    const Paths expected = platform::pathsIgnoreCase() ? Paths{"Data"} : Paths{"Data", "DATA"};
    EXPECT_EQ(leaf("C:")->getChildNames(), expected);
}

TEST_F(FileInfoLoaderTest, WithoutTheFileTableThePathTreeFailsEmpty) {
    storeGroup(maskOf(10, 1), {"C:\\A\\a.txt"});
    writeIndex();
    ASSERT_TRUE(load(FileInfoLoader::kAll));
    ASSERT_TRUE(writer_.execute("DROP TABLE FILEINFO_FIF"));

    EXPECT_FALSE(loader_.buildPathTree(FileInfoLoader::kAll));
    EXPECT_TRUE(loader_.pathTree().root().children().empty());
}

TEST_F(FileInfoLoaderTest, GroupFilesIncludeCopiesOfAnotherCategory) {
    const std::string mask = maskOf(4000, 1);
    storeGroup(mask, {"C:\\P\\notes.txt", "D:\\It's here\\notes.jpg"});
    storeGroup(maskOf(4000, 2), {"C:\\P\\other.txt"});
    writeIndex();
    ASSERT_TRUE(load(FileInfoLoader::kText));
    EXPECT_EQ(loader_.getGroupFiles(mask), (Paths{"C:\\P\\notes.txt", "D:\\It's here\\notes.jpg"}));
}

TEST_F(FileInfoLoaderTest, GroupFilesOfAnUnknownMaskAreNone) {
    storeGroup(maskOf(4000, 1), {"C:\\P\\notes.txt"});
    writeIndex();
    EXPECT_TRUE(loader_.getGroupFiles(maskOf(4000, 2)).empty());
    EXPECT_TRUE(loader_.getGroupFiles("x' OR '1'='1").empty());
}

TEST_F(FileInfoLoaderTest, TheDatabaseIsReadyOnlyAfterAFirstAnalysis) {
    writer_.close();
    testsupport::removeDatabase();
    EXPECT_FALSE(loader_.isDatabaseReady());
    EXPECT_FALSE(platform::pathExists(ConfigInfo::global().getDatabasePath()));

    ASSERT_TRUE(writer_.open());
    EXPECT_FALSE(loader_.isDatabaseReady());

    storeGroup(maskOf(10, 1), {"C:\\A\\a.txt"});
    writeIndex();
    EXPECT_TRUE(loader_.isDatabaseReady());
}

TEST_F(FileInfoLoaderTest, AFolderInPlaceOfTheDatabaseIsNotReady) {
    writer_.close();
    testsupport::removeDatabase();
    const std::string path = ConfigInfo::global().getDatabasePath();
    ASSERT_TRUE(platform::makeDirectory(path));
    EXPECT_FALSE(loader_.isDatabaseReady());
    std::filesystem::remove(testsupport::databaseNativePath());
}

TEST_F(FileInfoLoaderTest, AFileThatIsNoDatabaseIsNotReadyAndLoadsNothing) {
    writer_.close();
    testsupport::removeDatabase();
    std::filesystem::create_directories(
        std::filesystem::path(testsupport::databaseNativePath()).parent_path());
    {
        std::FILE* file = std::fopen(testsupport::databaseNativePath().c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fputs("this is not an SQLite database, only text long enough to be read as a header",
                   file);
        std::fclose(file);
    }
    EXPECT_FALSE(loader_.isDatabaseReady());
    EXPECT_FALSE(loader_.loadGroups(FileInfoLoader::kAll));
    EXPECT_EQ(loader_.groupCount(), 0);
    EXPECT_TRUE(loader_.getGroupFiles(maskOf(10, 1)).empty());
}

TEST_F(FileInfoLoaderTest, ALockedDatabaseLoadsAnEmptyModelAtOnce) {
    storeGroup(maskOf(1000, 1), {"C:\\A\\x.txt", "C:\\B\\x.txt"});
    writeIndex();
    ASSERT_TRUE(load(FileInfoLoader::kAll));
    ASSERT_TRUE(writer_.execute("BEGIN EXCLUSIVE"));

    EXPECT_FALSE(loader_.loadGroups(FileInfoLoader::kAll));
    EXPECT_EQ(loader_.groupCount(), 0);
    EXPECT_EQ(loader_.totalBytes(), 0);
    EXPECT_FALSE(loader_.buildPathTree(FileInfoLoader::kAll));
    EXPECT_TRUE(loader_.pathTree().root().children().empty());
    EXPECT_TRUE(writer_.execute("COMMIT"));
}

// A result analysed for chosen folders. Folder names are upper-case, as a
// scan stores them where paths ignore case; '_', '%' and a quote are no
// wildcards and no end of a literal.
class ScopedLoaderTest : public FileInfoLoaderTest {
protected:
    void SetUp() override {
        FileInfoLoaderTest::SetUp();
        storeGroup(photo_, {"C:\\A_B\\PHOTO.JPG", "C:\\IT'S\\SUB\\PHOTO.JPG", "C:\\AXB\\PHOTO.JPG",
                            "C:\\A_BC\\PHOTO.JPG", "D:\\A%\\PHOTO.JPG"});
        storeGroup(notes_, {"C:\\OUT\\NOTES.TXT", "C:\\OUT\\DEEP\\NOTES.TXT"});
        storeGroup(alone_, {"C:\\A_B\\ALONE.TXT"});
        scope_.addFolder("C:\\A_B\\", false);
        scope_.addFolder("C:\\IT'S\\", false);
        scope_.addFolder("D:\\A%\\", false);
        FileInfoAnalyse builder(scope_);
        ASSERT_TRUE(builder.buildIndex());
    }

    const std::string photo_ = maskOf(5000, 1), notes_ = maskOf(4000, 2), alone_ = maskOf(10, 3);
    AnalysisScope scope_;
};

TEST_F(ScopedLoaderTest, GroupsAndTotalsCountTheFilesUnderTheFoldersOnly) {
    ASSERT_TRUE(load(FileInfoLoader::kAll));
    ASSERT_EQ(loader_.groupCount(), 2);
    EXPECT_EQ(loader_.GetFileInfo(0)[0], "3");
    EXPECT_EQ(loader_.GetFileInfo(0)[1], photo_);
    EXPECT_EQ(loader_.totalBytes(), 3 * 5000 + 10);
    EXPECT_EQ(loader_.duplicateBytes(), 2 * 5000);
    EXPECT_TRUE(loader_.scope() == scope_);
}

TEST_F(ScopedLoaderTest, ThePathTreeHoldsNoRowOfTheWiderAnalysis) {
    ASSERT_TRUE(load(FileInfoLoader::kAll));
    EXPECT_EQ(loader_.pathTree().root().getChildNames(), (Paths{"C:", "D:"}));
    EXPECT_EQ(leaf("C:")->getChildNames(), (Paths{"A_B", "IT'S"}));
    EXPECT_EQ(leaf("C:\\A_B\\PHOTO.JPG")->groupIndex(), 0);
    EXPECT_EQ(leaf("D:\\A%\\PHOTO.JPG")->groupIndex(), 0);
    EXPECT_EQ(leaf("C:\\OUT"), nullptr);
}

TEST_F(ScopedLoaderTest, AGroupsFilesAreThoseUnderTheFolders) {
    ASSERT_TRUE(load(FileInfoLoader::kAll));
    Paths files = loader_.getGroupFiles(photo_);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files,
              (Paths{"C:\\A_B\\PHOTO.JPG", "C:\\IT'S\\SUB\\PHOTO.JPG", "D:\\A%\\PHOTO.JPG"}));
    EXPECT_TRUE(loader_.getGroupFiles(notes_).empty());
}

TEST_F(ScopedLoaderTest, AnAnalysisOfEveryDriveShowsEveryRowAgain) {
    FileInfoAnalyse everyDrive{AnalysisScope()};
    ASSERT_TRUE(everyDrive.buildIndex());
    ASSERT_TRUE(load(FileInfoLoader::kAll));
    EXPECT_EQ(loader_.GetFileInfo(0)[0], "5");
    EXPECT_EQ(loader_.getGroupFiles(notes_).size(), 2u);
    EXPECT_NE(leaf("C:\\OUT\\DEEP\\NOTES.TXT"), nullptr);
}
