// SPDX-License-Identifier: MIT
// Analyses of chosen folders: what they walk, what the index then holds, and
// that changing the folders reads no unchanged file again.
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>

#include "EngineTest.h"
#include "ScopedEnvironment.h"
#include "engine/AnalyseThreadProc.h"
#include "engine/AnalysisScope.h"
#include "engine/FileInfoAnalyse.h"
#include "engine/FileInfoProc.h"
#include "engine/IMessageTarget.h"
#include "storage/CFileInfoDB.h"

namespace {

// Keeps the folder texts of the progress blocks, freeing each block.
class FolderRecorder : public IMessageTarget {
public:
    bool postMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
        if (message == WM_ANALYSE_INFO && lParam == kInfoProgressBlock) {
            const std::unique_ptr<char[]> block(reinterpret_cast<char*>(wParam));
            texts.emplace_back(block.get() + kProgressTextOffset);
        }
        return true;
    }
    std::vector<std::string> texts;
};

// Counts the files opened below a folder (not the folders listed), through
// inotify watches on every folder of the tree: a file opened by any path or
// relative to any descriptor is seen. Status calls open nothing.
class OpenCounter {
public:
    explicit OpenCounter(const std::string& root) : fd_(::inotify_init1(IN_NONBLOCK)) {
        namespace fs = std::filesystem;
        EXPECT_GE(fd_, 0);
        (void)::inotify_add_watch(fd_, root.c_str(), IN_OPEN);
        for (auto it = fs::recursive_directory_iterator(root); it != fs::end(it); ++it)
            if (it->is_directory()) (void)::inotify_add_watch(fd_, it->path().c_str(), IN_OPEN);
    }
    ~OpenCounter() { ::close(fd_); }
    OpenCounter(const OpenCounter&) = delete;
    OpenCounter& operator=(const OpenCounter&) = delete;

    // The names of the files opened since the last call.
    std::vector<std::string> opened() {
        std::vector<std::string> names;
        alignas(inotify_event) char buffer[64 * 1024];
        for (;;) {
            const ssize_t got = ::read(fd_, buffer, sizeof buffer);
            if (got <= 0) break;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                if ((event->mask & IN_OPEN) && !(event->mask & IN_ISDIR) && event->len > 0)
                    names.emplace_back(event->name);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return names;
    }

private:
    int fd_;
};

}  // namespace

class ScopedAnalysisTest : public EngineTest {
protected:
    // a and b share a photo with out/; a pair lies inside a alone and another
    // inside out alone.
    void SetUp() override {
        EngineTest::SetUp();
        const std::string photo(3000, 'p');
        tree_.writeFile("a/photo.jpg", photo);
        tree_.writeFile("b/photo copy.jpg", photo);
        tree_.writeFile("out/photo.jpg", photo);
        tree_.writeFile("a/twin1.txt", std::string(500, 't'));
        tree_.writeFile("a/deep/twin2.txt", std::string(500, 't'));
        tree_.writeFile("out/pair1.bin", std::string(700, 'o'));
        tree_.writeFile("out/pair2.bin", std::string(700, 'o'));
        tree_.writeFile("b/alone.txt", "alone");
    }

    AnalysisScope scopeOf(std::initializer_list<const char*> relatives, bool across = false) {
        AnalysisScope scope;
        for (const char* relative : relatives) scope.addFolder(folder(relative), false);
        scope.setAcross(across);
        return scope;
    }

    void analyse(const AnalysisScope& scope) {
        FolderRecorder target;
        (void)AnalyseThreadProc(&target, nullptr, &scope);
        folders_ = target.texts;
    }

    // MASK -> FNUM of every index row.
    static std::map<std::string, std::string> index() {
        std::map<std::string, std::string> rows;
        for (const auto& row : selectRows("SELECT MASK, FNUM FROM FILEINFO_IDX"))
            rows[row.at(0)] = row.at(1);
        return rows;
    }
    // FNUM of the index row of the content of `relative`; "" when it has
    // none. (An analysis of every drive also meets the other files of the
    // scratch drive, so the rows are found by their MASK.)
    std::string countOf(const std::string& relative) const {
        char mask[256] = {};
        std::int64_t mtime = 0;
        EXPECT_TRUE(
            FileInfoProc::computeFingerprint(tree_.drivePath(relative).c_str(), mtime, mask));
        const auto rows = index();
        const auto found = rows.find(mask);
        return found == rows.end() ? "" : found->second;
    }

    std::vector<std::string> folders_;
};

TEST_F(ScopedAnalysisTest, TwoFoldersGiveTheIndexOfExactlyTheirFiles) {
    analyse(scopeOf({"a", "b"}));
    // The photo outside them is no copy of theirs; the pair outside is not there.
    EXPECT_EQ(index().size(), 3u);
    EXPECT_EQ(countOf("a/photo.jpg"), "2");
    EXPECT_EQ(countOf("a/twin1.txt"), "2");
    EXPECT_EQ(countOf("b/alone.txt"), "1");
    for (const auto& [path, mask] : storedFiles())
        EXPECT_EQ(path.rfind(folder("out"), 0), std::string::npos) << path << " was read";
}

TEST_F(ScopedAnalysisTest, RowsOfAWiderAnalysisStayButNeverReachTheIndex) {
    analyse(AnalysisScope());
    const std::size_t files = storedFiles().size();
    analyse(scopeOf({"a", "b"}));
    EXPECT_EQ(storedFiles().size(), files) << "rows outside the folders stay for later";
    EXPECT_EQ(countOf("a/photo.jpg"), "2");
    EXPECT_EQ(countOf("out/pair1.bin"), "");
    analyse(AnalysisScope());
    EXPECT_EQ(countOf("a/photo.jpg"), "3") << "widening again brings them back";
    EXPECT_EQ(countOf("out/pair1.bin"), "2");
}

TEST_F(ScopedAnalysisTest, NarrowingThenWideningReadsNoUnchangedFileAgain) {
    OpenCounter opens(tree_.root());
    analyse(AnalysisScope());
    EXPECT_EQ(opens.opened().size(), 8u) << "the first analysis reads every file once";
    analyse(scopeOf({"a"}));
    EXPECT_TRUE(opens.opened().empty()) << "a was covered by the analysis of its drive";
    analyse(scopeOf({"a", "out"}));
    EXPECT_TRUE(opens.opened().empty());
    analyse(AnalysisScope());
    EXPECT_TRUE(opens.opened().empty()) << "widening again reads nothing unchanged";
    // A file changed since is read again, and only it.
    const std::int64_t future = static_cast<std::int64_t>(std::time(nullptr)) + 100;
    tree_.setModificationTime("b/alone.txt", future);
    analyse(scopeOf({"b"}));
    EXPECT_EQ(opens.opened(), (std::vector<std::string>{"alone.txt"}));
}

TEST_F(ScopedAnalysisTest, AChosenFolderGetsAScanRecordOfItsOwn) {
    analyse(scopeOf({"a"}));
    const auto rows = selectRows("SELECT FNAME FROM FILEINFO_SCN");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].at(0), folder("a"));
}

TEST_F(ScopedAnalysisTest, NestedAndRepeatedFoldersAreWalkedOnce) {
    AnalysisScope scope = scopeOf({"a/deep", "a", "b", "a"});
    scope.addFolder(folder("a"), true);
    analyse(scope);
    std::vector<std::string> walked(folders_.begin(), folders_.end() - 2);  // the index texts
    std::sort(walked.begin(), walked.end());
    EXPECT_EQ(walked, (std::vector<std::string>{folder("a"), folder("a/deep"), folder("b")}));
    EXPECT_EQ(countOf("a/twin1.txt"), "2");
}

TEST_F(ScopedAnalysisTest, AcrossKeepsOnlySetsWithFilesInTwoFolders) {
    analyse(scopeOf({"a", "b", "out"}, true));
    EXPECT_EQ(countOf("a/photo.jpg"), "3");
    EXPECT_EQ(countOf("a/twin1.txt"), "") << "both copies lie in a";
    EXPECT_EQ(countOf("out/pair1.bin"), "") << "both copies lie in out";
    EXPECT_EQ(countOf("b/alone.txt"), "1");
}

TEST_F(ScopedAnalysisTest, AChangedScopeRebuildsAnIndexWhoseFilesDidNotChange) {
    analyse(AnalysisScope());
    const auto wide = index();
    analyse(scopeOf({"b"}));
    EXPECT_EQ(index().size(), 2u);
    EXPECT_EQ(countOf("a/photo.jpg"), "1");
    EXPECT_EQ(countOf("b/alone.txt"), "1");
    analyse(AnalysisScope());
    EXPECT_EQ(index(), wide);
}

TEST_F(ScopedAnalysisTest, ARebuildWithoutAScopeKeepsTheAnalysedOne) {
    analyse(scopeOf({"a", "b"}));
    const auto scoped = index();
    executeSql("DELETE FROM FILEINFO_IDX");  // as if the index had to be made again
    ASSERT_TRUE(FileInfoAnalyse().buildIndex());
    EXPECT_EQ(index(), scoped);
}

TEST_F(ScopedAnalysisTest, EveryDriveLeavesNoScopeTablesBehind) {
    analyse(AnalysisScope());
    EXPECT_TRUE(
        selectRows("SELECT name FROM sqlite_master WHERE name LIKE 'LANBROOK_SCOPE%'").empty());
}

TEST_F(ScopedAnalysisTest, TheRunWithoutAScopeWalksTheOneChosenInTheWindow) {
    {
        CFileInfoDB db(ConfigInfo::global().getDatabasePath());
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(scopeOf({"b"}).save(db, AnalysisScope::Stored::Chosen));
    }
    FolderRecorder target;
    (void)AnalyseThreadProc(&target);
    EXPECT_EQ(target.texts.front(), folder("b"));
    EXPECT_EQ(countOf("a/twin1.txt"), "");
}

// A folder the user names is walked even inside a folder no scan of a whole
// drive enters; below it such folders stay out, and a drive's walk still
// leaves the outer one out.
TEST_F(ScopedAnalysisTest, AFolderNamedInsideASystemFolderIsWalked) {
    tree_.writeFile("programs/app/one.dat", std::string(900, 'd'));
    tree_.writeFile("programs/app/two.dat", std::string(900, 'd'));
    tree_.writeFile("programs/app/data/three.dat", std::string(900, 'd'));
    const ScopedEnvironment programs("ProgramData", tree_.native("programs"));
    const ScopedEnvironment appData("APPDATA", tree_.native("programs/app/data"));
    analyse(scopeOf({"programs/app"}));
    EXPECT_EQ(countOf("programs/app/one.dat"), "2") << "three.dat lies in a system folder below";
    // A file added since is not met by a walk of the whole drive.
    tree_.writeFile("programs/app/four.dat", std::string(900, 'd'));
    analyse(AnalysisScope());
    EXPECT_EQ(countOf("programs/app/one.dat"), "2");
}
