// SPDX-License-Identifier: MIT
// The file-system seam on Windows: the system's drives, folder times with
// their milliseconds, and names outside every legacy ANSI code page.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "TempTree.h"
#include "WindowsTestSupport.h"
#include "engine/FileInfoProc.h"
#include "util/FileUtility.h"
#include "util/platform/FileSystem.h"

namespace {

bool contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// The 14 digits of a local time down to the second, as the CRT sees it.
std::string localSecondsText(std::time_t seconds) {
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d%H%M%S", std::localtime(&seconds));
    return text;
}

// A Chinese and an emoji name, as UTF-8 bytes.
const std::string kChineseName = "\xe6\x8a\xa5\xe5\x91\x8a.txt";  // 报告.txt
const std::string kEmojiName = "\xf0\x9f\x98\x80.txt";            // 😀.txt

}  // namespace

TEST(WindowsDrives, EveryDriveOfTheSystemInLetterOrder) {
    const DWORD present = ::GetLogicalDrives();
    std::vector<std::string> expected;
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        if ((present & (1u << (letter - 'A'))) != 0)
            expected.push_back(std::string(1, letter) + ":\\");
    EXPECT_EQ(FileUtility::getLogicalDrives(), expected);
}

TEST(WindowsDrives, WineShowsItsSystemDriveAndTheUnixRoot) {
    if (!wintest::underWine()) GTEST_SKIP() << "not under Wine";
    const auto roots = FileUtility::getLogicalDrives();
    EXPECT_TRUE(contains(roots, "C:\\"));
    EXPECT_TRUE(contains(roots, "Z:\\"));
}

TEST(WindowsPaths, IgnoreCase) {
    EXPECT_TRUE(platform::pathsIgnoreCase());
}

class WindowsFileSystemTest : public ::testing::Test {
protected:
    TempTree tree_;
};

TEST_F(WindowsFileSystemTest, FolderTimeTextCarriesTheMillisecondsOfTheLastWrite) {
    tree_.makeFolder("dated");
    wintest::setLastWriteTime(tree_.drivePath("dated"), 1700000000, 123);
    EXPECT_EQ(FileUtility::getLastWriteTimeText(tree_.drivePath("dated")),
              localSecondsText(1700000000) + "123");
}

TEST_F(WindowsFileSystemTest, FolderTimeChangesWhenAnEntryIsAdded) {
    tree_.makeFolder("grows");
    tree_.setModificationTime("grows", 1000000000);
    const std::string before = FileUtility::getLastWriteTimeText(tree_.drivePath("grows"));
    tree_.writeFile("grows/new.txt", "x");
    const std::string after = FileUtility::getLastWriteTimeText(tree_.drivePath("grows"));
    EXPECT_EQ(before, localSecondsText(1000000000) + "000");
    EXPECT_GT(after, before);
}

TEST(ActiveCodePage, ProgramsRunWithUtf8AsTheirAnsiCodePage) {
    EXPECT_EQ(::GetACP(), static_cast<UINT>(CP_UTF8))
        << "the application manifest's activeCodePage is not in effect";
}

TEST_F(WindowsFileSystemTest, ChineseAndEmojiNamesAreListedWithTheirBytes) {
    tree_.writeFile(kChineseName, "a");
    tree_.writeFile(kEmojiName, "bb");
    tree_.makeFolder("\xe6\x96\x87\xe4\xbb\xb6");  // 文件
    std::vector<platform::FolderEntry> entries;
    ASSERT_TRUE(platform::listFolder(tree_.drivePath("") + "\\", entries));
    std::vector<std::string> names;
    for (const auto& entry : entries) names.push_back(entry.name);
    EXPECT_TRUE(contains(names, kChineseName));
    EXPECT_TRUE(contains(names, kEmojiName));
    EXPECT_TRUE(contains(names, "\xe6\x96\x87\xe4\xbb\xb6"));
    // The file system holds the real characters, not question marks.
    EXPECT_EQ(wintest::wideNamesAsUtf8(tree_.drivePath("") + "\\"), names);
}

TEST_F(WindowsFileSystemTest, ChineseAndEmojiNamedFilesAreReadAndTimed) {
    tree_.writeFile(kChineseName, "a");
    tree_.writeFile(kEmojiName, "bb");
    tree_.setModificationTime(kEmojiName, 1600000000);
    std::int64_t mtime = 0;
    char mask[256] = {};
    ASSERT_TRUE(
        FileInfoProc::computeFingerprint(tree_.drivePath(kChineseName).c_str(), mtime, mask));
    EXPECT_EQ(std::string(mask).substr(0, 10), "0100000061");
    ASSERT_TRUE(FileInfoProc::computeFingerprint(tree_.drivePath(kEmojiName).c_str(), mtime, mask));
    EXPECT_EQ(std::string(mask).substr(0, 10), "0200000062");
    EXPECT_EQ(mtime, 1600000000);
    EXPECT_EQ(FileUtility::getLastWriteTimeText(tree_.drivePath(kEmojiName)),
              localSecondsText(1600000000) + "000");
}

TEST_F(WindowsFileSystemTest, FileHeldExclusivelyByAnotherHandleIsNotFingerprinted) {
    tree_.writeFile("locked.bin", "locked");
    const HANDLE held = ::CreateFileA(tree_.drivePath("locked.bin").c_str(), GENERIC_READ, 0,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::int64_t mtime = 42;
    char mask[256] = "untouched";
    EXPECT_FALSE(
        FileInfoProc::computeFingerprint(tree_.drivePath("locked.bin").c_str(), mtime, mask));
    ::CloseHandle(held);
    EXPECT_EQ(mtime, 42);
    EXPECT_STREQ(mask, "untouched");
    EXPECT_TRUE(
        FileInfoProc::computeFingerprint(tree_.drivePath("locked.bin").c_str(), mtime, mask))
        << "readable again once the handle is closed";
}

TEST_F(WindowsFileSystemTest, FileOverFourGibibytesIsSampledAcrossItsWholeLength) {
    // A sparse file of 4 GiB + 100 bytes with a mark at each sample offset:
    // the seeks past 4 GiB go through the 64-bit runtime calls.
    const std::uint64_t length = (1ULL << 32) + 100;
    const std::string path = tree_.drivePath("huge.bin");
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    auto seek = [&](std::uint64_t at) {
        LARGE_INTEGER offset;
        offset.QuadPart = static_cast<LONGLONG>(at);
        return ::SetFilePointerEx(file, offset, nullptr, FILE_BEGIN) != 0;
    };
    ASSERT_TRUE(seek(length) && ::SetEndOfFile(file));
    std::string expected = "64000000";  // the low 32 bits of the length, least significant first
    for (std::uint64_t k = 0; k < 9; ++k) {
        const char mark[4] = {static_cast<char>('A' + k), 'x', 'y', 'z'};
        DWORD written = 0;
        ASSERT_TRUE(seek(k * length / 9) && ::WriteFile(file, mark, 4, &written, nullptr));
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", 'A' + static_cast<int>(k));
        expected += std::string(hex) + "78797A";
    }
    ::CloseHandle(file);
    std::int64_t mtime = 0;
    char mask[256] = {};
    ASSERT_TRUE(FileInfoProc::computeFingerprint(path.c_str(), mtime, mask));
    EXPECT_EQ(std::string(mask), expected);
}
