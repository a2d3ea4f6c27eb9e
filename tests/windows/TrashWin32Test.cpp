// SPDX-License-Identifier: MIT
// The recycle bin on Windows: a file moved there lies where the trash seam
// says, with its content and identity, and goes back only to a free place.
// Under Wine the bin is the desktop's trash folder; each test points it
// (XDG_DATA_HOME) into its own tree, so nothing reaches the user's trash.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ScopedEnvironment.h"
#include "TempTree.h"
#include "WindowsTestSupport.h"
#include "util/platform/RecycleProgressSink_win32.h"
#include "util/platform/Trash.h"
#include "util/platform/Wine.h"
#include "util/platform/WineTrashFolder_win32.h"

namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

bool exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The whole content of the file at `path` (any native form, \\?\ too).
std::string contentOf(const std::string& path) {
    const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<cannot open " + path + ">";
    std::string content;
    char block[4096];
    DWORD got = 0;
    while (::ReadFile(file, block, sizeof block, &got, nullptr) && got > 0)
        content.append(block, got);
    ::CloseHandle(file);
    return content;
}

class TrashWin32Test : public ::testing::Test {
protected:
    void SetUp() override {
        std::string unixRoot;
        if (wintest::unixPathOf(tree_.root(), unixRoot)) {
            tree_.makeFolder("data");
            dataHome_ = std::make_unique<ScopedEnvironment>("XDG_DATA_HOME", unixRoot + "/data");
        }
    }

    // What a test left in the bin goes (on Windows the bin is the user's).
    void TearDown() override {
        for (const platform::TrashedItem& item : trashed_) {
            ::DeleteFileA(item.trashedPath.c_str());
            ::DeleteFileA(item.infoPath.c_str());
        }
    }

    // Moves the tree's file `relative` to the bin; the item, or a failure.
    platform::TrashedItem trash(const std::string& relative) {
        platform::TrashedItem item;
        std::string reason;
        const bool moved = platform::moveToTrash(tree_.native(relative), item, reason);
        EXPECT_TRUE(moved) << relative << ": " << reason;
        if (moved) trashed_.push_back(item);
        return item;
    }

    TempTree tree_;
    std::unique_ptr<ScopedEnvironment> dataHome_;
    std::vector<platform::TrashedItem> trashed_;
};

TEST_F(TrashWin32Test, TrashedFileLiesWhereTheItemSaysWithItsContentAndIdentity) {
    tree_.writeFile("a/copy.txt", "the same bytes");
    platform::FileStatus before, inBin;
    platform::FileError error;
    ASSERT_TRUE(platform::fileStatus(tree_.native("a/copy.txt"), before, error)) << error.reason;

    const platform::TrashedItem item = trash("a/copy.txt");
    EXPECT_FALSE(exists(tree_.native("a/copy.txt")));
    EXPECT_EQ(item.originalPath, tree_.native("a/copy.txt"));
    EXPECT_EQ(contentOf(item.trashedPath), "the same bytes");
    EXPECT_TRUE(exists(item.infoPath)) << item.infoPath;
    ASSERT_TRUE(platform::trashedStatus(item, inBin, error)) << error.reason;
    EXPECT_TRUE(inBin.regular);
    EXPECT_EQ(inBin.length, before.length);
    EXPECT_EQ(inBin.modificationNanos, before.modificationNanos);
    // Renamed, not copied: the same file number (the volume serial may differ
    // under Wine, which makes it up from the drive letter).
    EXPECT_EQ(inBin.identity.fileNumber, before.identity.fileNumber);
}

TEST_F(TrashWin32Test, UnderWineTheRecordNamesTheUnixPathAsTheDesktopReadsIt) {
    std::string unixPath;
    tree_.writeFile("b/named file.txt", "x");
    if (!wintest::unixPathOf(tree_.native("b/named file.txt"), unixPath))
        GTEST_SKIP() << "the record is the system's own on Windows";
    const platform::TrashedItem item = trash("b/named file.txt");
    const std::string record = contentOf(item.infoPath);
    EXPECT_EQ(record.rfind("[Trash Info]\nPath=/", 0), 0u) << record;
    EXPECT_TRUE(contains(record, "/b/named%20file.txt\nDeletionDate=20")) << record;
    EXPECT_TRUE(contains(item.infoPath, "\\info\\named file.txt.trashinfo")) << item.infoPath;
    EXPECT_TRUE(contains(item.trashedPath, "\\files\\named file.txt")) << item.trashedPath;
}

TEST_F(TrashWin32Test, RestorePutsTheFileBackAndDropsTheRecord) {
    tree_.writeFile("c/back.txt", "returning");
    const platform::TrashedItem item = trash("c/back.txt");
    std::string reason;
    ASSERT_TRUE(platform::restoreFromTrash(item, reason)) << reason;
    EXPECT_EQ(contentOf(tree_.native("c/back.txt")), "returning");
    EXPECT_FALSE(exists(item.trashedPath));
    EXPECT_FALSE(exists(item.infoPath));
    platform::FileStatus status;
    platform::FileError error;
    EXPECT_FALSE(platform::trashedStatus(item, status, error));
    EXPECT_TRUE(error.missing);
}

TEST_F(TrashWin32Test, RestoreRefusesATakenPlaceAndKeepsBothFiles) {
    tree_.writeFile("d/taken.txt", "trashed one");
    const platform::TrashedItem item = trash("d/taken.txt");
    tree_.writeFile("d/taken.txt", "new one");
    std::string reason;
    EXPECT_FALSE(platform::restoreFromTrash(item, reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(contentOf(tree_.native("d/taken.txt")), "new one");
    EXPECT_EQ(contentOf(item.trashedPath), "trashed one");
    EXPECT_TRUE(exists(item.infoPath));
}

TEST_F(TrashWin32Test, RestoreRefusesWhenTheFolderIsGone) {
    tree_.writeFile("e/only.txt", "kept in the bin");
    const platform::TrashedItem item = trash("e/only.txt");
    ASSERT_TRUE(::RemoveDirectoryA(tree_.native("e").c_str()));
    std::string reason;
    EXPECT_FALSE(platform::restoreFromTrash(item, reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_EQ(contentOf(item.trashedPath), "kept in the bin");
}

TEST_F(TrashWin32Test, MissingFileIsRefusedAndLeavesNoRecord) {
    platform::TrashedItem item;
    std::string reason;
    EXPECT_FALSE(platform::moveToTrash(tree_.native("none.txt"), item, reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_TRUE(item.trashedPath.empty());
    if (dataHome_) {
        const platform::WineTrashFolder bin;
        ASSERT_TRUE(bin.available());
        // Only "." and "..": no record was left behind.
        EXPECT_EQ(wintest::wideNamesAsUtf8(bin.folder() + "\\info\\").size(), 2u);
    }
}

TEST_F(TrashWin32Test, FilesOfOneNameGetPlacesOfTheirOwnAndBothComeBack) {
    tree_.writeFile("f/same.txt", "first");
    tree_.writeFile("g/same.txt", "second");
    const platform::TrashedItem first = trash("f/same.txt");
    const platform::TrashedItem second = trash("g/same.txt");
    EXPECT_NE(first.trashedPath, second.trashedPath);
    EXPECT_NE(first.infoPath, second.infoPath);
    std::string reason;
    EXPECT_TRUE(platform::restoreFromTrash(second, reason)) << reason;
    EXPECT_TRUE(platform::restoreFromTrash(first, reason)) << reason;
    EXPECT_EQ(contentOf(tree_.native("f/same.txt")), "first");
    EXPECT_EQ(contentOf(tree_.native("g/same.txt")), "second");
}

TEST_F(TrashWin32Test, ChineseNameGoesAndComesBack) {
    const std::string name = "h/\xe7\x85\xa7\xe7\x89\x87 1.txt";  // 照片 1.txt in UTF-8
    tree_.writeFile(name, "photo");
    const platform::TrashedItem item = trash(name);
    EXPECT_EQ(contentOf(item.trashedPath), "photo");
    std::string reason;
    ASSERT_TRUE(platform::restoreFromTrash(item, reason)) << reason;
    EXPECT_EQ(contentOf(tree_.native(name)), "photo");
}

TEST_F(TrashWin32Test, UnderWineABinThatCannotBeMadeRefusesAndTheFileStays) {
    if (!dataHome_) GTEST_SKIP() << "Wine's bin only";
    const ScopedEnvironment nowhere("XDG_DATA_HOME", "/nonexistent-lanbrook-folder/data");
    tree_.writeFile("i/stays.txt", "here");
    platform::TrashedItem item;
    std::string reason;
    EXPECT_FALSE(platform::moveToTrash(tree_.native("i/stays.txt"), item, reason));
    EXPECT_TRUE(contains(reason, "recycle bin")) << reason;
    EXPECT_EQ(contentOf(tree_.native("i/stays.txt")), "here");
}

TEST_F(TrashWin32Test, AnItemWithoutAPlaceCannotBeLookedAtOrRestored) {
    const platform::TrashedItem item{tree_.native("j.txt"), "", ""};
    platform::FileStatus status;
    platform::FileError error;
    std::string reason;
    EXPECT_FALSE(platform::trashedStatus(item, status, error));
    EXPECT_FALSE(platform::restoreFromTrash(item, reason));
    EXPECT_FALSE(reason.empty());
}

// The fallback to Wine's bin is chosen by this answer: it agrees with another
// of Wine's own exports (kernel32's Unix file names).
TEST(WineDetection, AgreesWithWinesKernelExports) {
    EXPECT_EQ(platform::runningUnderWine(), wintest::underWine());
}

// The guard against permanent deletion, as the shell calls it.
TEST(RecycleProgressSink, RefusesAnItemTheBinWouldNotTake) {
    platform::RecycleProgressSink deleting;
    EXPECT_TRUE(FAILED(deleting.PreDeleteItem(0, nullptr)));
    EXPECT_TRUE(deleting.refusedPermanentDelete());
    platform::RecycleProgressSink recycling;
    EXPECT_EQ(recycling.PreDeleteItem(TSF_DELETE_RECYCLE_IF_POSSIBLE, nullptr), S_OK);
    EXPECT_FALSE(recycling.refusedPermanentDelete());
}

TEST(RecycleProgressSink, TakesTheFilesNewPlaceAndItsRecord) {
    TempTree tree;
    tree.writeFile("$RAB12CD.txt", "in the bin");
    ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    IShellItem* created = nullptr;
    const std::string native = tree.native("$RAB12CD.txt");  // ASCII: widened byte by byte
    const std::wstring path(native.begin(), native.end());
    ASSERT_TRUE(
        SUCCEEDED(::SHCreateItemFromParsingName(path.c_str(), nullptr, IID_PPV_ARGS(&created))));
    platform::RecycleProgressSink sink;
    EXPECT_EQ(sink.PostDeleteItem(TSF_DELETE_RECYCLE_IF_POSSIBLE, nullptr, S_OK, created), S_OK);
    created->Release();
    ::CoUninitialize();
    EXPECT_TRUE(sink.recycled());
    EXPECT_EQ(sink.trashedPath(), tree.native("$RAB12CD.txt"));
    EXPECT_EQ(sink.infoPath(), tree.native("$IAB12CD.txt"));
}

TEST(RecycleProgressSink, KeepsTheShellsFailure) {
    platform::RecycleProgressSink sink;
    EXPECT_EQ(sink.PostDeleteItem(0, nullptr, E_ACCESSDENIED, nullptr), S_OK);
    EXPECT_FALSE(sink.recycled());
    EXPECT_EQ(sink.deleteResult(), E_ACCESSDENIED);
    EXPECT_TRUE(sink.trashedPath().empty());
}

TEST(RecycleProgressSink, RecordOnlyForABinName) {
    EXPECT_EQ(platform::recycleRecordOf("C:\\$Recycle.Bin\\S-1\\$R0Q1.jpg"),
              "C:\\$Recycle.Bin\\S-1\\$I0Q1.jpg");
    EXPECT_EQ(platform::recycleRecordOf("C:\\data\\photo.jpg"), "");
    EXPECT_EQ(platform::recycleRecordOf(""), "");
}

}  // namespace
