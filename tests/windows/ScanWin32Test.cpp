// SPDX-License-Identifier: MIT
// Scans on Windows: folder paths upper-cased, file names as listed, excluded
// folders compared without regard to case.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "ScopedEnvironment.h"
#include "WindowsTestSupport.h"
#include "engine/FileInfoProc.h"
#include "engine/SystemDirInfo.h"
#include "tests/engine/EngineTest.h"
#include "util/StringUtility.h"

namespace {

std::string upperCased(std::string path) {
    StringUtility::toUpperAscii(path);
    return path;
}

std::string levelOf(const std::string& folder) {
    return std::to_string(std::count(folder.begin(), folder.end(), '\\'));
}

}  // namespace

class WindowsScanTest : public EngineTest {
protected:
    // Scans the tree from `start` (a stored-form folder path) as part of `root`.
    static void scan(const char* root, const std::string& start) {
        FileInfoProc scanner(root);
        RecordingLog log;
        scanner.scanFolder(start.c_str(), log);
    }
};

TEST_F(WindowsScanTest, FolderReachedThroughTheUnixRootIsStoredUpperCasedWithNamesAsListed) {
    tree_.writeFile("data/Old/Read Me.txt", "read me");
    tree_.writeFile("data/Photo.JPG", "jpeg");
    std::string throughZ;
    if (!wintest::pathThroughUnixRoot(tree_.drivePath(""), throughZ))
        GTEST_SKIP() << "not under Wine";
    const std::string start = upperCased(throughZ) + "\\";
    ASSERT_NE(start, throughZ + "\\") << "the path has lower-case letters to fold";

    scan("z:\\", start);

    const std::string data = start + "DATA\\";
    const std::string old = data + "OLD\\";
    const auto folders = storedFolders();
    ASSERT_EQ(folders.count(data), 1u) << data;
    ASSERT_EQ(folders.count(old), 1u) << old;
    EXPECT_EQ(folders.at(data), levelOf(data));
    EXPECT_EQ(folders.at(old), levelOf(old));
    const auto files = storedFiles();
    EXPECT_EQ(files.count(old + "Read Me.txt"), 1u);
    EXPECT_EQ(files.count(data + "Photo.JPG"), 1u);
    EXPECT_EQ(files.size(), 2u);
}

TEST(WindowsExcludedFolders, ProgramFilesExcludesItsSubfoldersInAnyCaseButNotTheX86Folder) {
    const ScopedEnvironment programFiles("ProgramFiles", "C:\\Program Files");
    const ScopedEnvironment x86("ProgramFiles(x86)", nullptr);
    const SystemDirInfo excluded;
    EXPECT_TRUE(excluded.matches("C:\\PROGRAM FILES\\X\\"));
    EXPECT_TRUE(excluded.matches("C:\\PROGRAM FILES\\"));
    EXPECT_FALSE(excluded.matches("C:\\PROGRAM FILES (X86)\\"));
}

TEST(WindowsExcludedFolders, TheX86FolderIsExcludedByItsOwnVariable) {
    const ScopedEnvironment x86("ProgramFiles(x86)", "C:\\Program Files (x86)");
    const SystemDirInfo excluded;
    EXPECT_TRUE(excluded.matches("C:\\PROGRAM FILES (X86)\\"));
}

TEST_F(WindowsScanTest, ScanNeverEntersTheProgramFolderButEntersItsX86Sibling) {
    tree_.writeFile("Program Files/X/a.txt", "a");
    tree_.writeFile("Program Files (x86)/Y/b.txt", "b");
    const ScopedEnvironment programFiles("ProgramFiles", tree_.drivePath("Program Files"));
    const ScopedEnvironment x86("ProgramFiles(x86)", nullptr);
    const std::string start = upperCased(tree_.drivePath("")) + "\\";

    scan("C:\\", start);

    const auto folders = storedFolders();
    EXPECT_EQ(folders.count(start + "PROGRAM FILES (X86)\\Y\\"), 1u);
    EXPECT_EQ(folders.count(start + "PROGRAM FILES\\"), 0u);
    EXPECT_EQ(folders.count(start + "PROGRAM FILES\\X\\"), 0u);
    const auto files = storedFiles();
    EXPECT_EQ(files.count(start + "PROGRAM FILES (X86)\\Y\\b.txt"), 1u);
    EXPECT_EQ(files.size(), 1u);
}

TEST_F(WindowsScanTest, SecondScanOfAnUnchangedTreeWritesNoFileRows) {
    tree_.writeFile("a/one.txt", "1");
    tree_.writeFile("a/b/two.txt", "22");
    for (const char* item : {"a/one.txt", "a/b/two.txt", "a/b", "a"})
        tree_.setModificationTime(item, 1000000000);
    const std::string start = upperCased(tree_.drivePath("")) + "\\";
    scan("C:\\", start);
    executeSql("UPDATE FILEINFO_FIF SET MASK = 'kept'");
    {
        FileInfoProc scanner("C:\\");
        scanner.lastScanTime = 1500000000;
        RecordingLog log;
        scanner.scanFolder(start.c_str(), log);
        EXPECT_EQ(log.count, 2) << "both files were looked at";
    }
    for (const auto& [path, mask] : storedFiles()) EXPECT_EQ(mask, "kept") << path;
}

TEST_F(WindowsScanTest, SubfolderDeletedOnDiskLosesItsRowsAtTheNextScan) {
    tree_.writeFile("a/gone/deeper/x.txt", "x");
    tree_.writeFile("a/kept.txt", "k");
    // An old time for the parent, so that the deletion surely changes it.
    tree_.setModificationTime("a", 1000000000);
    const std::string start = upperCased(tree_.drivePath("")) + "\\";
    scan("C:\\", start);
    ASSERT_EQ(storedFolders().count(start + "A\\GONE\\DEEPER\\"), 1u);
    std::filesystem::remove_all(tree_.native("a/gone"));

    scan("C:\\", start);

    const auto folders = storedFolders();
    EXPECT_EQ(folders.count(start + "A\\GONE\\"), 0u);
    EXPECT_EQ(folders.count(start + "A\\GONE\\DEEPER\\"), 0u);
    const auto files = storedFiles();
    EXPECT_EQ(files.count(start + "A\\kept.txt"), 1u);
    EXPECT_EQ(files.size(), 1u);
}
