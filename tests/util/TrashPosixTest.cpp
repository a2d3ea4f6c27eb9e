// SPDX-License-Identifier: MIT
// The freedesktop.org trash: the info file and its encoding, names that meet
// in the trash, putting files back without replacing anything, and the trash
// of a file system other than the home folder's (a tmpfs mounted in a mount
// namespace of a child process, so nothing is seen outside the test).
#include "util/platform/Trash.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <functional>
#include <regex>

#include "ScopedEnvironment.h"
#include "TempTree.h"
#include "TrashInfoFile.h"
#include "util/platform/FileSystem.h"

namespace {

using trashinfo::percentDecoded;
using trashinfo::readWhole;

bool exists(const std::string& native) {
    struct stat info {};
    return ::lstat(native.c_str(), &info) == 0;
}

std::string folderOf(const std::string& native) {
    return native.substr(0, native.rfind('/'));
}
std::string nameOf(const std::string& native) {
    return native.substr(native.rfind('/') + 1);
}

class TrashPosixTest : public ::testing::Test {
protected:
    std::string homeTrash() const { return tree_.native("data/Trash"); }

    platform::TrashedItem trash(const std::string& relative) {
        platform::TrashedItem item;
        std::string reason;
        EXPECT_TRUE(platform::moveToTrash(tree_.drivePath(relative), item, reason))
            << relative << ": " << reason;
        return item;
    }

    // Runs `body` in a child process that has a mount namespace of its own
    // with a new tmpfs at the tree's folder "other"; the test fails when the
    // body did, and is skipped where the system allows no such namespace.
    void onFileSystemOfItsOwn(const std::function<void(const std::string& top)>& body) {
        tree_.makeFolder("other");
        const std::string top = tree_.native("other");
        std::fflush(stdout);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::unshare(CLONE_NEWNS) != 0 ||
                ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                ::mount("tmpfs", top.c_str(), "tmpfs", 0, "mode=0755") != 0)
                ::_exit(77);
            body(top);
            std::fflush(stdout);
            ::_exit(::testing::Test::HasFailure() ? 1 : 0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no mount namespace for a file system";
        EXPECT_EQ(WEXITSTATUS(status), 0) << "the child's failures are printed above";
    }

    TempTree tree_;
    ScopedEnvironment data_{"XDG_DATA_HOME", tree_.native("data")};
};

TEST_F(TrashPosixTest, TrashRecordsTheOriginalBytesAndTheLocalDeletionDate) {
    const std::vector<std::string> names = {"plain.txt",
                                            "blank and 100%.txt",
                                            "quote'\"#?&=+;[].txt",
                                            "latin1-\xE9\xFF.txt",
                                            "line\nbreak",
                                            "\xE4\xB8\xAD\xE6\x96\x87.txt",
                                            ".hidden"};
    const std::regex date(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)");
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        tree_.writeFile("in/" + name, "bytes of " + name);
        struct stat before {};
        ASSERT_EQ(::lstat(tree_.native("in/" + name).c_str(), &before), 0);
        const std::time_t now = std::time(nullptr);
        const platform::TrashedItem item = trash("in/" + name);

        EXPECT_EQ(item.originalPath, tree_.drivePath("in/" + name));
        EXPECT_EQ(folderOf(item.trashedPath), homeTrash() + "/files");
        EXPECT_EQ(item.infoPath, homeTrash() + "/info/" + nameOf(item.trashedPath) + ".trashinfo");
        EXPECT_FALSE(exists(tree_.native("in/" + name)));
        EXPECT_EQ(readWhole(item.trashedPath), "bytes of " + name);
        EXPECT_EQ(readWhole(item.infoPath).rfind("[Trash Info]\n", 0), 0u);
        const std::string path = trashinfo::value(item.infoPath, "Path");
        EXPECT_EQ(percentDecoded(path), tree_.native("in/" + name));
        EXPECT_TRUE(std::regex_match(path, std::regex(R"([A-Za-z0-9_.!~*'()/%-]+)"))) << path;
        const std::string deleted = trashinfo::value(item.infoPath, "DeletionDate");
        ASSERT_TRUE(std::regex_match(deleted, date)) << deleted;
        std::tm local{};
        ASSERT_NE(::strptime(deleted.c_str(), "%Y-%m-%dT%H:%M:%S", &local), nullptr);
        local.tm_isdst = -1;
        EXPECT_LE(std::abs(std::difftime(std::mktime(&local), now)), 5.0) << deleted;

        // Renamed, not copied: the same file, its times untouched.
        platform::FileStatus status;
        platform::FileError error;
        ASSERT_TRUE(platform::trashedStatus(item, status, error)) << error.reason;
        EXPECT_EQ(status.identity.fileNumber, std::uint64_t(before.st_ino));
        EXPECT_EQ(status.identity.device, std::uint64_t(before.st_dev));
        EXPECT_EQ(status.modificationNanos,
                  std::int64_t(before.st_mtim.tv_sec) * 1000000000 + before.st_mtim.tv_nsec);
        EXPECT_EQ(status.length, std::uint64_t(before.st_size));
    }
}

TEST_F(TrashPosixTest, TrashGivesFilesOfOneNameNamesOfTheirOwnAndReplacesNothing) {
    // A file left in files/ without its record still keeps its name.
    tree_.writeFile("data/Trash/files/x.txt", "stray");
    std::vector<std::string> trashed;
    for (const char* folder : {"a", "b", "c"}) {
        tree_.writeFile(std::string(folder) + "/x.txt", folder);
        const platform::TrashedItem item = trash(std::string(folder) + "/x.txt");
        EXPECT_EQ(readWhole(item.trashedPath), folder);
        EXPECT_EQ(percentDecoded(trashinfo::value(item.infoPath, "Path")),
                  tree_.native(std::string(folder) + "/x.txt"));
        EXPECT_EQ(nameOf(item.infoPath), nameOf(item.trashedPath) + ".trashinfo");
        trashed.push_back(nameOf(item.trashedPath));
    }
    EXPECT_EQ(readWhole(homeTrash() + "/files/x.txt"), "stray");
    EXPECT_EQ(trashed, (std::vector<std::string>{"x.2.txt", "x.3.txt", "x.4.txt"}));
}

TEST_F(TrashPosixTest, TrashKeepsALongNameWithinTheLimitAndWholeCharacters) {
    std::string name;
    while (name.size() < 253) name += "\xC3\xA9";  // é, two bytes
    name += "z";                                   // 255 bytes in all
    tree_.writeFile(name, "long");
    const platform::TrashedItem item = trash(name);
    const std::string info = nameOf(item.infoPath);
    EXPECT_LE(info.size(), 255u);
    // The cut leaves no half of a character.
    const std::string kept = nameOf(item.trashedPath);
    ASSERT_FALSE(kept.empty());
    EXPECT_EQ(kept.size() % 2, 0u) << kept.size();
    EXPECT_EQ(readWhole(item.trashedPath), "long");
    EXPECT_EQ(percentDecoded(trashinfo::value(item.infoPath, "Path")), tree_.native(name));
}

TEST_F(TrashPosixTest, TrashMovesALinkItselfAndLeavesItsTarget) {
    tree_.writeFile("target.txt", "target");
    ASSERT_EQ(::symlink(tree_.native("target.txt").c_str(), tree_.native("link").c_str()), 0);
    const platform::TrashedItem item = trash("link");
    struct stat info {};
    ASSERT_EQ(::lstat(item.trashedPath.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(readWhole(tree_.native("target.txt")), "target");
}

TEST_F(TrashPosixTest, TrashMovesAFolderWholeAndPutsItBack) {
    tree_.writeFile("album/one.jpg", "1");
    tree_.writeFile("album/deep/two.jpg", "2");
    const platform::TrashedItem item = trash("album");
    EXPECT_FALSE(exists(tree_.native("album")));
    EXPECT_EQ(readWhole(item.trashedPath + "/deep/two.jpg"), "2");
    std::string reason;
    ASSERT_TRUE(platform::restoreFromTrash(item, reason)) << reason;
    EXPECT_EQ(readWhole(tree_.native("album/one.jpg")), "1");
    EXPECT_EQ(readWhole(tree_.native("album/deep/two.jpg")), "2");
    EXPECT_FALSE(exists(item.infoPath));
}

TEST_F(TrashPosixTest, TrashRefusesAMissingFileAndLeavesNoRecord) {
    tree_.writeFile("present.txt", "makes the trash");
    (void)trash("present.txt");
    platform::TrashedItem item;
    std::string reason;
    EXPECT_FALSE(platform::moveToTrash(tree_.drivePath("absent.txt"), item, reason));
    EXPECT_FALSE(reason.empty());
    EXPECT_TRUE(item.trashedPath.empty());
    EXPECT_FALSE(exists(homeTrash() + "/info/absent.txt.trashinfo"));
}

TEST_F(TrashPosixTest, TrashRestorePutsTheFileBackAndDropsItsRecord) {
    tree_.writeFile("sub/back.txt", "back");
    struct stat before {};
    ASSERT_EQ(::lstat(tree_.native("sub/back.txt").c_str(), &before), 0);
    const platform::TrashedItem item = trash("sub/back.txt");
    std::string reason;
    ASSERT_TRUE(platform::restoreFromTrash(item, reason)) << reason;
    struct stat after {};
    ASSERT_EQ(::lstat(tree_.native("sub/back.txt").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(readWhole(tree_.native("sub/back.txt")), "back");
    EXPECT_FALSE(exists(item.trashedPath));
    EXPECT_FALSE(exists(item.infoPath));
    platform::FileStatus status;
    platform::FileError error;
    EXPECT_FALSE(platform::trashedStatus(item, status, error));
    EXPECT_TRUE(error.missing);
}

TEST_F(TrashPosixTest, TrashRestoreNeverReplacesWhatTookThePlace) {
    tree_.writeFile("taken.txt", "trashed");
    const platform::TrashedItem item = trash("taken.txt");
    tree_.writeFile("taken.txt", "newcomer");
    std::string reason;
    EXPECT_FALSE(platform::restoreFromTrash(item, reason));
    EXPECT_NE(reason.find("taken"), std::string::npos) << reason;
    EXPECT_EQ(readWhole(tree_.native("taken.txt")), "newcomer");
    EXPECT_EQ(readWhole(item.trashedPath), "trashed");
    EXPECT_TRUE(exists(item.infoPath));

    // A folder in the place counts as taken too.
    ASSERT_EQ(::unlink(tree_.native("taken.txt").c_str()), 0);
    tree_.makeFolder("taken.txt");
    EXPECT_FALSE(platform::restoreFromTrash(item, reason));
    EXPECT_EQ(readWhole(item.trashedPath), "trashed");
}

TEST_F(TrashPosixTest, TrashRestoreRefusesWhenTheFolderIsGone) {
    tree_.writeFile("gone/x.txt", "orphan");
    const platform::TrashedItem item = trash("gone/x.txt");
    ASSERT_EQ(::rmdir(tree_.native("gone").c_str()), 0);
    std::string reason;
    EXPECT_FALSE(platform::restoreFromTrash(item, reason));
    EXPECT_NE(reason.find("folder"), std::string::npos) << reason;
    EXPECT_EQ(readWhole(item.trashedPath), "orphan");
}

TEST_F(TrashPosixTest, TrashOfAnotherFileSystemIsMadeAtItsTopAsTrashUid) {
    onFileSystemOfItsOwn([&](const std::string& top) {
        tree_.writeFile("other/dir/x y.txt", "elsewhere");
        const platform::TrashedItem item = trash("other/dir/x y.txt");
        const std::string trashFolder = top + "/.Trash-" + std::to_string(::getuid());
        EXPECT_EQ(item.trashedPath, trashFolder + "/files/x y.txt");
        EXPECT_EQ(item.infoPath, trashFolder + "/info/x y.txt.trashinfo");
        EXPECT_EQ(trashinfo::value(item.infoPath, "Path"), "dir/x%20y.txt");
        struct stat info {};
        ASSERT_EQ(::lstat(trashFolder.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 07777, 0700u);
        EXPECT_FALSE(exists(homeTrash() + "/info/x y.txt.trashinfo"));
        std::string reason;
        EXPECT_TRUE(platform::restoreFromTrash(item, reason)) << reason;
        EXPECT_EQ(readWhole(tree_.native("other/dir/x y.txt")), "elsewhere");
    });
}

TEST_F(TrashPosixTest, TrashOfAnotherFileSystemUsesItsSharedTrashOnlyWhenSticky) {
    onFileSystemOfItsOwn([&](const std::string& top) {
        const std::string uid = std::to_string(::getuid());
        tree_.makeFolder("other/.Trash");
        ASSERT_EQ(::chmod((top + "/.Trash").c_str(), 0777), 0);
        tree_.writeFile("other/a.txt", "a");
        EXPECT_EQ(folderOf(trash("other/a.txt").trashedPath), top + "/.Trash-" + uid + "/files");
        EXPECT_FALSE(exists(top + "/.Trash/" + uid));

        ASSERT_EQ(::chmod((top + "/.Trash").c_str(), 01777), 0);
        tree_.writeFile("other/b.txt", "b");
        const platform::TrashedItem shared = trash("other/b.txt");
        EXPECT_EQ(folderOf(shared.trashedPath), top + "/.Trash/" + uid + "/files");
        EXPECT_EQ(trashinfo::value(shared.infoPath, "Path"), "b.txt");
    });
}

TEST_F(TrashPosixTest, TrashOfAnotherFileSystemFollowsNoLinks) {
    onFileSystemOfItsOwn([&](const std::string& top) {
        const std::string uid = std::to_string(::getuid());
        // A link to a sticky folder is no shared trash.
        tree_.makeFolder("other/sticky");
        ASSERT_EQ(::chmod((top + "/sticky").c_str(), 01777), 0);
        ASSERT_EQ(::symlink("sticky", (top + "/.Trash").c_str()), 0);
        tree_.writeFile("other/a.txt", "a");
        EXPECT_EQ(folderOf(trash("other/a.txt").trashedPath), top + "/.Trash-" + uid + "/files");
        EXPECT_FALSE(exists(top + "/sticky/" + uid));

        // A link as the user's own trash is refused, and the file stays.
        ASSERT_EQ(::rename((top + "/.Trash-" + uid).c_str(), (top + "/elsewhere").c_str()), 0);
        ASSERT_EQ(::symlink("elsewhere", (top + "/.Trash-" + uid).c_str()), 0);
        tree_.writeFile("other/b.txt", "b");
        platform::TrashedItem item;
        std::string reason;
        EXPECT_FALSE(platform::moveToTrash(tree_.drivePath("other/b.txt"), item, reason));
        EXPECT_NE(reason.find("not a folder"), std::string::npos) << reason;
        EXPECT_EQ(readWhole(tree_.native("other/b.txt")), "b");
    });
}

// A folder of the home trash's file system mounted a second time elsewhere:
// the same device, but a rename between the two mounts is refused, and the
// trash never copies.
TEST_F(TrashPosixTest, TrashRefusesAFileTheRenameCannotReachAndKeepsIt) {
    tree_.writeFile("source/x.txt", "stays");
    tree_.makeFolder("bound");
    tree_.writeFile("present.txt", "makes the trash");
    (void)trash("present.txt");
    onFileSystemOfItsOwn([&](const std::string&) {
        ASSERT_EQ(::mount(tree_.native("source").c_str(), tree_.native("bound").c_str(), nullptr,
                          MS_BIND, nullptr),
                  0);
        platform::TrashedItem item;
        std::string reason;
        EXPECT_FALSE(platform::moveToTrash(tree_.drivePath("bound/x.txt"), item, reason));
        EXPECT_NE(reason.find("another file system"), std::string::npos) << reason;
        EXPECT_EQ(readWhole(tree_.native("bound/x.txt")), "stays");
        EXPECT_FALSE(exists(homeTrash() + "/info/x.txt.trashinfo"));
    });
}

}  // namespace
