// SPDX-License-Identifier: MIT
// A walker destroyed part way through a tree stops its walk and joins every
// thread it started, wherever they are: listing, reading, or waiting for the
// scanner or for room. (The sanitizer builds check that nothing leaks or
// races on the way.)
#include <chrono>
#include <memory>
#include <thread>

#include "EngineTest.h"
#include "ScopedEnvironment.h"
#include "ThreadStartFault.h"
#include "engine/FileInfoProc.h"
#include "engine/FolderWalker.h"

namespace {

struct Taken {
    std::string folder;
    FolderWork::Kind kind;
    std::size_t files;
    bool operator==(const Taken& other) const {
        return folder == other.folder && kind == other.kind && files == other.files;
    }
};

std::ostream& operator<<(std::ostream& out, const Taken& taken) {
    return out << taken.folder << " (" << static_cast<int>(taken.kind) << ", " << taken.files
               << " files)";
}

}  // namespace

class FolderWalkerTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        // Wide and deep, with folders larger than the readers' runs.
        for (int i = 0; i < 12; ++i) {
            const std::string top = "t" + std::to_string(i);
            for (int f = 0; f < 40; ++f) tree_.writeFile(top + "/f" + std::to_string(f), "x");
            for (int j = 0; j < 4; ++j)
                tree_.writeFile(top + "/s" + std::to_string(j) + "/deeper/g", std::to_string(j));
        }
        scanner_ = std::make_unique<FileInfoProc>(folder().c_str(), FileInfoProc::ScanMode::Fast);
    }

    // Takes up to `count` folders of a fresh walk (all of them with -1),
    // then destroys the walker.
    std::vector<Taken> take(int count) {
        FolderWalker walker(*scanner_, folder(), 0);
        std::vector<Taken> taken;
        for (int i = 0; i != count; ++i) {
            FolderWork work = walker.next();
            if (work.kind == FolderWork::Kind::End) break;
            taken.push_back({work.folder, work.kind, work.files.size()});
        }
        return taken;
    }

    // The first `count` folders of the whole walk.
    std::vector<Taken> firstOfAll(std::size_t count) const {
        return {all_.begin(), all_.begin() + static_cast<std::ptrdiff_t>(count)};
    }

    std::unique_ptr<FileInfoProc> scanner_;
    std::vector<Taken> all_;
};

TEST_F(FolderWalkerTest, DestroyedAfterAnyNumberOfFoldersItHadGivenTheWalksFirstOnes) {
    all_ = take(-1);
    ASSERT_EQ(all_.size(), 1u + 12u * (1u + 4u * 2u));
    for (int count : {0, 1, 2, 7, 30, 100}) {
        const std::vector<Taken> taken = take(count);
        EXPECT_EQ(taken, firstOfAll(static_cast<std::size_t>(count))) << count << " taken";
    }
}

TEST_F(FolderWalkerTest, DestroyedWhileItsListersAreListing) {
    all_ = take(-1);
    // Every listing takes a while: the listers are at work when the walker goes.
    scanner_->afterFolderTime = [](const std::string&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    for (int count : {1, 3}) EXPECT_EQ(take(count), firstOfAll(static_cast<std::size_t>(count)));
}

TEST_F(FolderWalkerTest, DestroyedWhileTheWalkWaitsForRoom) {
    all_ = take(-1);
    ScopedEnvironment budget("LANBROOK_LOOKAHEAD_KIB", "1");
    FolderWalker walker(*scanner_, folder(), 0);
    EXPECT_EQ(walker.next().folder, all_.front().folder);
    // Time for the walk to reach the budget and wait, and the listers with it.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

TEST_F(FolderWalkerTest, DestroyedPartWayWithoutAnyThreadOfItsOwn) {
    all_ = take(-1);
    ThreadStartFault fault;
    for (int count : {0, 1, 5}) EXPECT_EQ(take(count), firstOfAll(static_cast<std::size_t>(count)));
    EXPECT_EQ(take(-1), all_);
    EXPECT_GT(fault.refusals(), 0);
}
