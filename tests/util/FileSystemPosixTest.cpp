// SPDX-License-Identifier: MIT
// The file-system seam on POSIX systems: what the listing leaves out, folder
// modes, and the drive map that turns native paths into drive form.
#include "util/FileUtility.h"
#include "util/platform/FileSystem.h"
#include "util/platform/FolderArgument.h"
#include "util/platform/OpenFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "ScopedEnvironment.h"
#include "TempTree.h"

namespace {

// name -> isDirectory, for easy comparison.
std::map<std::string, bool> byName(const std::vector<platform::FolderEntry>& entries) {
    std::map<std::string, bool> result;
    for (const auto& e : entries) {
        EXPECT_TRUE(result.emplace(e.name, e.isDirectory).second) << "listed twice: " << e.name;
    }
    return result;
}

// The listing by path, which the folder held open must give too, each time.
std::map<std::string, bool> listing(const std::string& folder) {
    std::vector<platform::FolderEntry> entries;
    EXPECT_TRUE(platform::listFolder(folder, entries)) << folder;
    const std::map<std::string, bool> result = byName(entries);
    platform::OpenFolder opened;
    EXPECT_TRUE(opened.open(folder)) << folder;
    for (int pass = 1; pass <= 2; ++pass) {
        std::vector<platform::FolderEntry> held;
        EXPECT_TRUE(platform::listFolder(opened, held)) << folder;
        EXPECT_EQ(byName(held), result) << "listing " << pass << " of the open folder";
    }
    return result;
}

using ScopedEnv = ScopedEnvironment;

}  // namespace

class FileSystemPosixTest : public ::testing::Test {
protected:
    TempTree tree_;
};

TEST_F(FileSystemPosixTest, ListsFilesAndFoldersWithDotsAndOddNames) {
    tree_.makeFolder("sub dir");
    tree_.writeFile("it's \"x\".txt", "1");
    tree_.writeFile("caf\xc3\xa9\xff.bin", "2");
    const auto entries = listing(tree_.drivePath("") + "\\");
    const std::map<std::string, bool> expected{{".", true},
                                               {"..", true},
                                               {"sub dir", true},
                                               {"it's \"x\".txt", false},
                                               {"caf\xc3\xa9\xff.bin", false}};
    EXPECT_EQ(entries, expected);
}

TEST_F(FileSystemPosixTest, LeavesOutLinksFifosAndBackslashNames) {
    tree_.writeFile("real.txt", "x");
    ASSERT_EQ(::mkfifo(tree_.native("pipe").c_str(), 0600), 0);
    ASSERT_EQ(::symlink(".", tree_.native("loop").c_str()), 0);
    ASSERT_EQ(::symlink("real.txt", tree_.native("link.txt").c_str()), 0);
    tree_.writeFile("back\\slash", "x");
    const auto entries = listing(tree_.drivePath("") + "\\");
    EXPECT_EQ(entries,
              (std::map<std::string, bool>{{".", true}, {"..", true}, {"real.txt", false}}));
}

TEST_F(FileSystemPosixTest, OpenFolderGivesTheTimeTextOfItsPath) {
    tree_.makeFolder("dated");
    tree_.setModificationTime("dated", 1600000000);
    const std::string folder = tree_.drivePath("dated\\");
    platform::OpenFolder opened;
    ASSERT_TRUE(opened.open(folder));
    EXPECT_EQ(FileUtility::getLastWriteTimeText(opened), FileUtility::getLastWriteTimeText(folder));
    EXPECT_EQ(FileUtility::getLastWriteTimeText(opened).size(), 17u);
    platform::OpenFolder closed;  // never opened: no time, no listing
    std::vector<platform::FolderEntry> entries{{"stale", false}};
    EXPECT_EQ(FileUtility::getLastWriteTimeText(closed), "");
    EXPECT_FALSE(platform::listFolder(closed, entries));
    EXPECT_TRUE(entries.empty());
}

TEST_F(FileSystemPosixTest, UnreadableFolderFailsTheListing) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every folder";
    tree_.makeFolder("locked");
    ::chmod(tree_.native("locked").c_str(), 0);
    std::vector<platform::FolderEntry> entries{{"stale", false}};
    EXPECT_FALSE(platform::listFolder(tree_.drivePath("locked\\"), entries));
    EXPECT_TRUE(entries.empty());
}

TEST(UserProfile, NativeProfileIsWrittenInDriveForm) {
    ScopedEnv drives("LANBROOK_DRIVES", "C:=/;D:=/home");
    std::string folder;
    {
        ScopedEnv profile("USERPROFILE", "/home/ann");
        ASSERT_TRUE(platform::userProfileFolder(folder));
        EXPECT_EQ(folder, "D:\\ann");
    }
    {
        ScopedEnv profile("USERPROFILE", "C:\\Users\\ann");
        ASSERT_TRUE(platform::userProfileFolder(folder));
        EXPECT_EQ(folder, "C:\\Users\\ann") << "a program-form value is used as it is";
    }
    ScopedEnv profile("USERPROFILE", nullptr);
    ScopedEnv home("HOME", "/home/bob");
    ASSERT_TRUE(platform::userProfileFolder(folder));
    EXPECT_EQ(folder, "D:\\bob");
}

TEST(UserProfile, ProfileOutsideEveryDriveStaysNative) {
    ScopedEnv drives("LANBROOK_DRIVES", "C:=/media/usb");
    ScopedEnv profile("USERPROFILE", "/home/ann");
    std::string folder;
    ASSERT_TRUE(platform::userProfileFolder(folder));
    EXPECT_EQ(folder, "/home/ann");
    EXPECT_EQ(platform::toNativePath("/home/ann/FileInfoData/FileInfo__.db"),
              "/home/ann/FileInfoData/FileInfo__.db")
        << "a native path is opened as it is";
    ScopedEnv noProfile("USERPROFILE", nullptr);
    ScopedEnv noHome("HOME", nullptr);
    EXPECT_FALSE(platform::userProfileFolder(folder));
}

TEST(FolderArgument, EverySpellingOfAFolderGivesOneProgramPath) {
    TempTree tree;
    tree.makeFolder("pics/2020");
    ::symlink(tree.native("pics").c_str(), tree.native("link").c_str());
    const std::string expected = tree.drivePath("pics") + "\\";
    for (const std::string& spelling :
         {tree.native("pics"), tree.native("pics") + "/", tree.native("pics/2020/.."),
          tree.native("pics/./"), tree.native("link")}) {
        std::string folder, reason;
        ASSERT_TRUE(platform::folderFromNative(spelling, folder, reason)) << spelling << reason;
        EXPECT_EQ(folder, expected) << spelling;
    }
}

TEST(FolderArgument, WhatIsNoReadableFolderIsRefusedWithTheReason) {
    TempTree tree;
    tree.writeFile("file.txt", "x");
    std::string folder = "untouched", reason;
    EXPECT_FALSE(platform::folderFromNative(tree.native("missing"), folder, reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_FALSE(platform::folderFromNative(tree.native("file.txt"), folder, reason));
    EXPECT_FALSE(platform::folderFromNative("", folder, reason));
    EXPECT_EQ(folder, "untouched");
    ScopedEnv drives("LANBROOK_DRIVES", "C:=" + tree.native("inner"));
    tree.makeFolder("inner");
    EXPECT_FALSE(platform::folderFromNative(tree.root(), folder, reason));
    EXPECT_NE(reason.find("LANBROOK_DRIVES"), std::string::npos) << reason;
}

TEST(SystemFolders, MappedThroughEveryDrive) {
    ScopedEnv drives("LANBROOK_DRIVES", "C:=/;D:=/usr/share;E:=/home;F:=/var");
    const auto folders = platform::systemFolders();
    auto has = [&](const std::string& f) {
        return std::find(folders.begin(), folders.end(), f) != folders.end();
    };
    EXPECT_TRUE(has("C:\\proc\\"));
    EXPECT_TRUE(has("C:\\usr\\"));
    EXPECT_FALSE(std::any_of(folders.begin(), folders.end(), [](const std::string& f) {
        return f[0] == 'D' || f[0] == 'F';
    })) << "a drive mapped to or inside a system folder was asked for by name";
    EXPECT_FALSE(std::any_of(folders.begin(), folders.end(),
                             [](const std::string& f) { return f[0] == 'E'; }));
}

TEST(LogicalDrives, FollowTheDriveMapInLetterOrder) {
    ScopedEnv drives("LANBROOK_DRIVES", "D:=/tmp;C:=/");
    EXPECT_EQ(FileUtility::getLogicalDrives(), (std::vector<std::string>{"C:\\", "D:\\"}));
}
