// SPDX-License-Identifier: MIT
// Moving identical folders to the desktop's trash as whole items: a real
// trash in the test's own data folder, real trees, and the checks made right
// before each move against what the analysis stored and the folder that stays.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "FolderSupport.h"
#include "TrashSupport.h"
#include "engine/FolderRemover.h"
#include "storage/CFileInfoDB.h"
#include "util/platform/FileSystem.h"

namespace fs = std::filesystem;

using Refusal = FolderRemover::Refusal;
using Step = FolderRemover::Step;
using trashtest::readWhole;
using trashtest::trashedAs;
using trashtest::trashFolder;

class FolderRemoverTrashTest : public FolderTest {
protected:
    void SetUp() override {
        (void)trashFolder();
        FolderTest::SetUp();
        for (const char* copy : {"a", "b"}) {
            const std::string at = copy;
            tree_.writeFile(at + "/readme.txt", "read me");
            tree_.writeFile(at + "/src/main.cpp", std::string(3000, 'm'));
            tree_.writeFile(at + "/src/util.cpp", std::string(2000, 'u'));
            tree_.writeFile(at + "/src/deep/data.bin", std::string(5000, 'd'));
            tree_.writeFile(at + "/empty.log", "");
            tree_.makeFolder(at + "/cache");
        }
    }

    // Analyses and checks the tree (a and b must be a set), then moves the
    // `going` folders keeping `keep`.
    std::vector<FolderRemover::Outcome> trash(const std::string& keep,
                                              const std::vector<std::string>& going,
                                              FolderRemover::MoveFunction move = {},
                                              FolderRemover::StepHook hook = {}) {
        if (!analysed_) {
            analyse(protected_);
            const CheckedContent checked = checkAll();
            found_ = find(&checked);
            analysed_ = true;
            EXPECT_EQ(found_.identical->sets().size(), 1u);
        }
        CFileInfoDB database(ConfigInfo::global().getDatabasePath());
        EXPECT_TRUE(database.open()) << database.errorText();
        ContentChecker cache(ConfigInfo::global().getDatabasePath());
        EXPECT_TRUE(cache.open()) << cache.errorText();
        std::vector<FolderRemover::StoredFolder> folders;
        for (const std::string& relativePath : going)
            folders.push_back(
                FolderRemover::StoredFolder::of(found_.inventory, folderAt(found_, relativePath)));
        FolderRemover remover(database, cache, std::move(move), std::move(hook));
        return remover.moveToTrash(
            FolderRemover::StoredFolder::of(found_.inventory, folderAt(found_, keep)), folders);
    }

    bool whole(const std::string& copy) const {
        return readWhole(tree_.native(copy + "/src/deep/data.bin")) == std::string(5000, 'd') &&
               readWhole(tree_.native(copy + "/readme.txt")) == "read me" &&
               fs::is_directory(tree_.native(copy + "/cache"));
    }

    std::size_t storedFoldersUnder(const std::string& relativePath) const {
        std::size_t count = 0;
        for (const auto& [path, level] : storedFolders())
            if (path.rfind(folder(relativePath), 0) == 0) ++count;
        return count;
    }

    // Rewrites `relativePath` in place with `content`, its times put back to
    // the nanosecond: only its change time tells.
    void rewriteKeepingTimes(const std::string& relativePath, const std::string& content) {
        const std::string native = tree_.native(relativePath);
        struct stat before {};
        ASSERT_EQ(::stat(native.c_str(), &before), 0);
        const int fd = ::open(native.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::pwrite(fd, content.data(), content.size(), 0), ssize_t(content.size()));
        ::close(fd);
        const struct timespec times[2] = {before.st_atim, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, native.c_str(), times, 0), 0);
    }

    std::vector<std::string> protected_;
    bool analysed_ = false;
    FolderFindings found_;
};

TEST_F(FolderRemoverTrashTest, TrashMovesTheFolderWholeForgetsItsRowsAndItComesBackWhole) {
    const auto outcomes = trash("a", {"b"});
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].refusal, Refusal::None) << outcomes[0].reason << " at " << outcomes[0].at;
    EXPECT_TRUE(outcomes[0].rowsDeleted);
    EXPECT_FALSE(fs::exists(tree_.native("b")));
    EXPECT_TRUE(whole("a"));
    // One item in the trash: the folder with everything in it.
    const std::string inTrash = trashedAs(tree_.native("b"));
    ASSERT_FALSE(inTrash.empty());
    EXPECT_EQ(readWhole(trashFolder() + "/files/" + inTrash + "/src/deep/data.bin"),
              std::string(5000, 'd'));
    EXPECT_TRUE(fs::is_directory(trashFolder() + "/files/" + inTrash + "/cache"));
    EXPECT_EQ(storedFoldersUnder("b"), 0u);
    EXPECT_EQ(storedFoldersUnder("a"), 4u);
    EXPECT_EQ(rowCount("CONTENT_HASH"), 4u);  // the hashes of a's four files that are not empty
    EXPECT_TRUE(find(nullptr).identical->sets().empty());

    std::string reason;
    ASSERT_TRUE(platform::restoreFromTrash(outcomes[0].trashed, reason)) << reason;
    EXPECT_TRUE(whole("b"));
}

TEST_F(FolderRemoverTrashTest, TrashRefusesAFolderWithAFileAddedAfterTheAnalysis) {
    analyse();
    const CheckedContent checked = checkAll();
    found_ = find(&checked);
    analysed_ = true;
    tree_.writeFile("b/src/new.txt", "added later");
    const auto outcomes = trash("a", {"b"});
    EXPECT_EQ(outcomes.at(0).refusal, Refusal::NotAsStored);
    EXPECT_EQ(outcomes[0].at, "src\\new.txt");
    EXPECT_TRUE(whole("b"));
    EXPECT_TRUE(trashedAs(tree_.native("b")).empty());
    EXPECT_EQ(storedFoldersUnder("b"), 4u);
}

TEST_F(FolderRemoverTrashTest, TrashRefusesAFolderMissingWhatWasStoredOrHoldingALink) {
    analyse();
    const CheckedContent checked = checkAll();
    found_ = find(&checked);
    analysed_ = true;
    ASSERT_EQ(::unlink(tree_.native("b/empty.log").c_str()), 0);
    auto outcomes = trash("a", {"b"});
    EXPECT_EQ(outcomes.at(0).refusal, Refusal::NotAsStored);
    EXPECT_EQ(outcomes[0].at, "");

    tree_.writeFile("b/empty.log", "");
    ASSERT_EQ(::rmdir(tree_.native("b/cache").c_str()), 0);
    EXPECT_EQ(trash("a", {"b"}).at(0).refusal, Refusal::NotAsStored);

    // A link the scan never stored would go with the folder.
    tree_.makeFolder("b/cache");
    ASSERT_EQ(::symlink("../a", tree_.native("b/src/link").c_str()), 0);
    outcomes = trash("a", {"b"});
    EXPECT_EQ(outcomes.at(0).refusal, Refusal::NotAsStored);
    EXPECT_EQ(outcomes[0].at, "src\\link");
    EXPECT_TRUE(whole("b"));
}

TEST_F(FolderRemoverTrashTest, TrashRefusesAFileRewrittenWithItsTimesPutBack) {
    analyse();
    const CheckedContent checked = checkAll();
    found_ = find(&checked);
    analysed_ = true;
    rewriteKeepingTimes("b/src/util.cpp", "U");
    const auto outcomes = trash("a", {"b"});
    EXPECT_EQ(outcomes.at(0).refusal, Refusal::ContentDiffers);
    EXPECT_EQ(outcomes[0].at, "src\\util.cpp");
    EXPECT_TRUE(fs::exists(tree_.native("b/src/util.cpp")));
}

TEST_F(FolderRemoverTrashTest, TrashRefusesWhenTheFolderThatStaysChangesDuringTheCheck) {
    // While its counterpart is compared: same bytes written again.
    auto outcomes =
        trash("a", {"b"}, {}, [&](Step step, const std::string&, const std::string& at) {
            if (step == Step::BeforeCompare && at == "src\\deep\\data.bin")
                rewriteKeepingTimes("a/src/deep/data.bin", std::string(5000, 'd'));
        });
    EXPECT_EQ(outcomes.at(0).refusal, Refusal::KeptChanged) << outcomes[0].reason;
    EXPECT_TRUE(whole("b"));

    // A file compared earlier, written to while later ones are compared, is
    // seen by the last check.
    outcomes = trash("a", {"b"}, {}, [&](Step step, const std::string&, const std::string& at) {
        if (step == Step::BeforeCompare && at == "src\\util.cpp")
            rewriteKeepingTimes("a/readme.txt", "read me");
    });
    EXPECT_EQ(outcomes.at(0).refusal, Refusal::KeptChanged) << outcomes[0].reason;
    EXPECT_EQ(outcomes[0].at, "readme.txt");
    EXPECT_TRUE(whole("b"));
}

TEST_F(FolderRemoverTrashTest, TrashNeverMovesANestedOrProtectedFolder) {
    tree_.writeFile("c/readme.txt", "read me");
    protected_ = {"b/src"};
    auto outcomes = trash("a", {"a/src", "b"});
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].refusal, Refusal::Nested);
    EXPECT_EQ(outcomes[1].refusal, Refusal::Protected);  // it holds a protected folder
    outcomes = trash("a/src", {"a"});
    EXPECT_EQ(outcomes.at(0).refusal, Refusal::Nested);
    EXPECT_EQ(trash("a", {"a"}).at(0).refusal, Refusal::Nested);
    EXPECT_TRUE(whole("a"));
    EXPECT_TRUE(whole("b"));
}

TEST_F(FolderRemoverTrashTest, TrashUndoesTheMoveWhenAFileWasReplacedRightBeforeIt) {
    const auto outcomes =
        trash("a", {"b"}, {}, [&](Step step, const std::string&, const std::string&) {
            if (step != Step::BeforeMove) return;
            // Another file of the same bytes takes the name: not the file compared.
            tree_.writeFile("b/src/main.other", std::string(3000, 'm'));
            fs::rename(tree_.native("b/src/main.other"), tree_.native("b/src/main.cpp"));
        });
    EXPECT_EQ(outcomes.at(0).refusal, Refusal::MovedBack) << outcomes[0].reason;
    EXPECT_NE(outcomes[0].reason.find("main.cpp"), std::string::npos) << outcomes[0].reason;
    EXPECT_TRUE(whole("b"));
    EXPECT_TRUE(trashedAs(tree_.native("b")).empty());
    EXPECT_EQ(storedFoldersUnder("b"), 4u);
}

TEST_F(FolderRemoverTrashTest, TrashThatRefusesLeavesTheFolderAndItsRows) {
    const auto outcomes =
        trash("a", {"b"}, [](const std::string&, platform::TrashedItem&, std::string& reason) {
            reason = "no trash on this file system";
            return false;
        });
    EXPECT_EQ(outcomes.at(0).refusal, Refusal::TrashFailed);
    EXPECT_EQ(outcomes[0].reason, "no trash on this file system");
    EXPECT_TRUE(whole("b"));
    EXPECT_EQ(storedFoldersUnder("b"), 4u);
}

TEST_F(FolderRemoverTrashTest, TrashMovesACopyWhoseFilesAreLinksOfThoseThatStay) {
    fs::remove_all(tree_.native("b"));
    tree_.makeFolder("b/src/deep");
    tree_.makeFolder("b/cache");
    for (const char* file :
         {"readme.txt", "src/main.cpp", "src/util.cpp", "src/deep/data.bin", "empty.log"})
        ASSERT_EQ(::link(tree_.native(std::string("a/") + file).c_str(),
                         tree_.native(std::string("b/") + file).c_str()),
                  0);
    const auto outcomes = trash("a", {"b"});
    EXPECT_EQ(outcomes.at(0).refusal, Refusal::None)
        << outcomes[0].reason << " at " << outcomes[0].at;
    EXPECT_TRUE(whole("a"));
}
