// SPDX-License-Identifier: MIT
// The whole removal path on Windows: a checked copy goes to the recycle bin
// and stays there (the check after the move finds the compared file in the
// bin, whose volume serial may differ under Wine), and a copy rewritten after
// the check with its time put back is refused and stays.
#include <windows.h>

#include <memory>

#include "ContentCheckSupport.h"
#include "ScopedEnvironment.h"
#include "WindowsTestSupport.h"
#include "engine/CopyRemover.h"

class CopyRemoverTrashWin32Test : public ContentCheckTest {
protected:
    void SetUp() override {
        ContentCheckTest::SetUp();
        std::string unixRoot;
        if (wintest::unixPathOf(tree_.root(), unixRoot)) {
            tree_.makeFolder("data");
            dataHome_ = std::make_unique<ScopedEnvironment>("XDG_DATA_HOME", unixRoot + "/data");
        }
    }

    void TearDown() override {
        for (const platform::TrashedItem& item : trashed_) {
            ::DeleteFileA(item.trashedPath.c_str());
            ::DeleteFileA(item.infoPath.c_str());
        }
        ContentCheckTest::TearDown();
    }

    CopyRemover::Outcome moveSecond(const GroupCheck& group) {
        CFileInfoDB database(ConfigInfo::global().getDatabasePath());
        EXPECT_TRUE(database.open()) << database.errorText();
        ContentChecker cache(ConfigInfo::global().getDatabasePath());
        EXPECT_TRUE(cache.open()) << cache.errorText();
        const std::vector<CopyRemover::Outcome> outcomes =
            CopyRemover(database, cache).moveToTrash(group, 0, {1});
        EXPECT_EQ(outcomes.size(), 1u);
        if (outcomes.empty()) return {};
        if (outcomes[0].refusal == CopyRemover::Refusal::None)
            trashed_.push_back(outcomes[0].trashed);
        return outcomes[0];
    }

    std::unique_ptr<ScopedEnvironment> dataHome_;
    std::vector<platform::TrashedItem> trashed_;
};

TEST_F(CopyRemoverTrashWin32Test, TrashMovesACheckedCopyIntoTheBinAndItStaysThere) {
    const std::string mask = addFile("a/photo.jpg", "the same picture");
    addFile("b/photo.jpg", "the same picture");
    const GroupCheck group = check(mask);
    ASSERT_EQ(group.state, GroupState::Confirmed);

    const CopyRemover::Outcome outcome = moveSecond(group);
    ASSERT_EQ(outcome.refusal, CopyRemover::Refusal::None) << outcome.reason;
    EXPECT_FALSE(platform::pathExists(group.files[1].path()));
    EXPECT_TRUE(platform::pathExists(group.files[0].path()));
    platform::FileStatus inBin;
    platform::FileError error;
    EXPECT_TRUE(platform::trashedStatus(outcome.trashed, inBin, error)) << error.reason;
    EXPECT_TRUE(outcome.rowDeleted);
}

TEST_F(CopyRemoverTrashWin32Test, TrashRefusesACopyRewrittenWithItsTimePutBack) {
    const std::string mask = addFile("a/doc.txt", "first version");
    addFile("b/doc.txt", "first version");
    const GroupCheck group = check(mask);
    ASSERT_EQ(group.state, GroupState::Confirmed);
    std::int64_t seconds = 0;
    ASSERT_TRUE(platform::modificationTime(group.files[1].path(), seconds));
    tree_.writeFile("b/doc.txt", "other version");
    tree_.setModificationTime("b/doc.txt", seconds);

    const CopyRemover::Outcome outcome = moveSecond(group);
    EXPECT_EQ(outcome.refusal, CopyRemover::Refusal::ContentDiffers) << outcome.reason;
    EXPECT_TRUE(platform::pathExists(group.files[1].path()));
}
