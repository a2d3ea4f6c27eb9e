// SPDX-License-Identifier: MIT
// Whole-file reading on Windows: the content, the length and time the
// fingerprint would see, and the identity of hard links (volume serial
// number and file index). The checker's own cases run here with the engine's.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "TempTree.h"
#include "util/platform/ContentFile.h"

TEST(WindowsContentFile, ReadsTheWholeFileWithItsLengthAndTime) {
    TempTree tree;
    const std::string content(3 * 1000 * 1000 + 7, 'w');
    tree.writeFile("big.bin", content);
    tree.setModificationTime("big.bin", 1600000000);
    platform::ContentFile file;
    ASSERT_TRUE(file.open(tree.drivePath("big.bin"))) << file.error().reason;
    EXPECT_EQ(file.status().length, content.size());
    EXPECT_EQ(file.status().modificationTime, 1600000000);
    EXPECT_TRUE(file.status().regular);
    std::string read;
    std::string block(1 << 20, '\0');
    for (std::int64_t got; (got = file.read(block.data(), block.size())) > 0;)
        read.append(block.data(), static_cast<std::size_t>(got));
    EXPECT_EQ(read, content);
    char tail[4] = {};
    EXPECT_EQ(file.readAt(content.size() - 2, tail, sizeof tail), 2);
    EXPECT_EQ(std::string(tail, 2), "ww");
}

TEST(WindowsContentFile, MissingFileAndFolderAreRefusedWithAReason) {
    TempTree tree;
    tree.makeFolder("folder");
    platform::ContentFile missing;
    EXPECT_FALSE(missing.open(tree.drivePath("none.bin")));
    EXPECT_TRUE(missing.error().missing);
    EXPECT_FALSE(missing.error().reason.empty());
    platform::ContentFile folder;
    EXPECT_FALSE(folder.open(tree.drivePath("folder")));
}

TEST(WindowsContentFile, HardLinksShareTheIdentityOthersDoNot) {
    TempTree tree;
    tree.writeFile("a.txt", "linked");
    tree.writeFile("c.txt", "linked");
    ASSERT_TRUE(
        ::CreateHardLinkA(tree.native("b.txt").c_str(), tree.native("a.txt").c_str(), nullptr));
    platform::FileStatus a, b, c;
    platform::FileError error;
    ASSERT_TRUE(platform::fileStatus(tree.drivePath("a.txt"), a, error)) << error.reason;
    ASSERT_TRUE(platform::fileStatus(tree.drivePath("b.txt"), b, error)) << error.reason;
    ASSERT_TRUE(platform::fileStatus(tree.drivePath("c.txt"), c, error)) << error.reason;
    EXPECT_EQ(a.identity, b.identity);
    EXPECT_NE(a.identity, c.identity);
    EXPECT_EQ(a.length, 6u);
}

// A rewrite of the same length that puts the last-write time back is seen
// only in the change time (NTFS ChangeTime; under Wine the Unix ctime).
TEST(WindowsContentFile, RewriteWithTheWriteTimeSetBackMovesTheChangeTime) {
    TempTree tree;
    tree.writeFile("same.bin", "original");
    tree.setModificationTime("same.bin", 1600000000);
    platform::FileStatus before, after;
    platform::FileError error;
    ASSERT_TRUE(platform::fileStatus(tree.drivePath("same.bin"), before, error)) << error.reason;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // past the clock's tick
    const HANDLE file = ::CreateFileA(tree.native("same.bin").c_str(), GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME written{};
    ASSERT_TRUE(::GetFileTime(file, nullptr, nullptr, &written));
    DWORD count = 0;
    ASSERT_TRUE(::WriteFile(file, "REWRITES", 8, &count, nullptr));
    ASSERT_TRUE(::SetFileTime(file, nullptr, nullptr, &written));
    ::CloseHandle(file);
    ASSERT_TRUE(platform::fileStatus(tree.drivePath("same.bin"), after, error)) << error.reason;
    EXPECT_EQ(after.length, before.length);
    EXPECT_EQ(after.modificationNanos, before.modificationNanos);
    EXPECT_GT(after.changeNanos, before.changeNanos);
    EXPECT_FALSE(platform::sameVersion(before, after));
}
