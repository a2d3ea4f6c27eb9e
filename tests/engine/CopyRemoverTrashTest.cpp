// SPDX-License-Identifier: MIT
// Moving copies to the desktop's trash: a real trash in the test's own data
// folder, real files beside the ones that stay, and the checks made right
// before each move.
#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ContentCheckSupport.h"
#include "engine/AnalysisScope.h"
#include "engine/CopyRemover.h"

namespace {

// The trash of this process: GIO reads XDG_DATA_HOME once, so every test
// shares one trash inside the scratch folder (on the trees' file system).
const std::string& trashFolder() {
    static const std::string folder = [] {
        const std::string data = testsupport::prepareScratchEnvironment() + "/xdg-data";
        ::setenv("XDG_DATA_HOME", data.c_str(), 1);
        return data + "/Trash";
    }();
    return folder;
}

std::string readWhole(const std::string& native) {
    std::ifstream in(native, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string percentDecoded(const std::string& text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            bytes += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

// The name under Trash/files of the file that was at `native`, from the info
// file whose percent-decoded Path is those bytes; empty when none is.
std::string trashedAs(const std::string& native) {
    DIR* info = ::opendir((trashFolder() + "/info").c_str());
    if (info == nullptr) return "";
    std::string found;
    while (dirent* entry = ::readdir(info)) {
        const std::string name = entry->d_name;
        const std::string suffix = ".trashinfo";
        if (name.size() <= suffix.size() || name.substr(name.size() - suffix.size()) != suffix)
            continue;
        std::istringstream lines(readWhole(trashFolder() + "/info/" + name));
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("Path=", 0) == 0 && percentDecoded(line.substr(5)) == native)
                found = name.substr(0, name.size() - suffix.size());
    }
    ::closedir(info);
    return found;
}

int indexNamed(const GroupCheck& group, const std::string& name) {
    for (std::size_t i = 0; i < group.files.size(); ++i)
        if (group.files[i].name == name) return int(i);
    return -1;
}

}  // namespace

class CopyRemoverTrashTest : public ContentCheckTest {
protected:
    void SetUp() override {
        (void)trashFolder();
        ContentCheckTest::SetUp();
    }

    std::vector<CopyRemover::Outcome> trash(const GroupCheck& group, const std::string& keep,
                                            const std::vector<std::string>& names) {
        CFileInfoDB database(ConfigInfo::global().getDatabasePath());
        EXPECT_TRUE(database.open()) << database.errorText();
        ContentChecker cache(ConfigInfo::global().getDatabasePath());
        EXPECT_TRUE(cache.open()) << cache.errorText();
        std::vector<int> files;
        for (const std::string& name : names) files.push_back(indexNamed(group, name));
        CopyRemover remover(database, cache);
        return remover.moveToTrash(group, indexNamed(group, keep), files);
    }

    std::size_t rowsNamed(const std::string& table, const std::string& name) {
        return selectRows("SELECT 1 FROM " + table + " WHERE FNAME = " + sqltext::quoted(name))
            .size();
    }
};

TEST_F(CopyRemoverTrashTest, TrashTakesEveryOtherCopyWithOddNamesAndForgetsTheirRows) {
    const std::string content = "the same bytes in every copy";
    const std::vector<std::string> odd = {"it's \"quoted\" and blank.txt", "line\nbreak.txt",
                                          "latin1-\xE9\xFF.txt"};
    const std::string mask = addFile("keep.txt", content);
    for (const std::string& name : odd) addFile(name, content);
    const GroupCheck group = check(mask);
    ASSERT_EQ(group.state, GroupState::Confirmed);
    const std::vector<int> copies = CopyRemover::copiesOf(group, indexNamed(group, "keep.txt"));
    ASSERT_EQ(copies.size(), 3u);

    const auto outcomes = trash(group, "keep.txt", odd);
    ASSERT_EQ(outcomes.size(), 3u);
    for (std::size_t i = 0; i < odd.size(); ++i) {
        SCOPED_TRACE(odd[i]);
        EXPECT_EQ(outcomes[i].refusal, CopyRemover::Refusal::None) << outcomes[i].reason;
        EXPECT_TRUE(outcomes[i].rowDeleted);
        EXPECT_FALSE(platform::pathExists(tree_.drivePath(odd[i])));
        const std::string inTrash = trashedAs(tree_.native(odd[i]));
        ASSERT_FALSE(inTrash.empty());
        EXPECT_EQ(readWhole(trashFolder() + "/files/" + inTrash), content);
        EXPECT_EQ(rowsNamed("FILEINFO_FIF", odd[i]), 0u);
        EXPECT_EQ(rowsNamed("CONTENT_HASH", odd[i]), 0u);
    }
    EXPECT_EQ(readWhole(tree_.native("keep.txt")), content);
    EXPECT_EQ(rowsNamed("FILEINFO_FIF", "keep.txt"), 1u);
    // What is left of the group is the file that stays.
    const GroupCheck after = check(mask);
    ASSERT_EQ(after.files.size(), 1u);
    EXPECT_EQ(after.files[0].name, "keep.txt");
}

TEST_F(CopyRemoverTrashTest, TrashRefusesACopyRewrittenAfterTheCheckAndLeavesIt) {
    const std::string content(4096, 'c');
    const std::string mask = addFile("a.bin", content);
    addFile("b.bin", content);
    std::int64_t time = 0;
    ASSERT_TRUE(platform::modificationTime(tree_.drivePath("b.bin"), time));
    const GroupCheck group = check(mask);
    ASSERT_EQ(group.state, GroupState::Confirmed);

    std::string rewritten = content;
    rewritten[2000] = 'x';  // same length, and its time put back
    tree_.writeFile("b.bin", rewritten);
    tree_.setModificationTime("b.bin", time);
    const auto outcomes = trash(group, "a.bin", {"b.bin"});
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].refusal, CopyRemover::Refusal::ContentDiffers);
    EXPECT_EQ(readWhole(tree_.native("b.bin")), rewritten);
    EXPECT_TRUE(trashedAs(tree_.native("b.bin")).empty());
    EXPECT_EQ(rowsNamed("FILEINFO_FIF", "b.bin"), 1u);

    // A copy whose time moved on is refused as changed, before any reading.
    tree_.writeFile("b.bin", content);
    tree_.setModificationTime("b.bin", time + 60);
    EXPECT_EQ(trash(group, "a.bin", {"b.bin"})[0].refusal, CopyRemover::Refusal::Changed);
    EXPECT_TRUE(platform::pathExists(tree_.drivePath("b.bin")));
}

TEST_F(CopyRemoverTrashTest, TrashNeverTakesTheLastCopyALinkPartnerOrALinkInACopysPlace) {
    const std::string content = "one content";
    const std::string mask = addFile("a.txt", content);
    ASSERT_EQ(::link(tree_.native("a.txt").c_str(), tree_.native("a-link.txt").c_str()), 0);
    addRow("a-link.txt", "AB", content.size());
    addFile("b.txt", content);
    addFile("odd.txt", "one contenT");
    const GroupCheck group = check(mask);
    ASSERT_EQ(group.state, GroupState::Partly);

    // Another name of the file that stays is never a copy of it.
    EXPECT_EQ(CopyRemover::copiesOf(group, indexNamed(group, "a.txt")),
              std::vector<int>{indexNamed(group, "b.txt")});
    EXPECT_EQ(trash(group, "a.txt", {"a-link.txt"})[0].refusal, CopyRemover::Refusal::NotOffered);
    // A file alone in its class is the last copy of its content.
    EXPECT_EQ(CopyRemover::keeperFor(group, indexNamed(group, "odd.txt")), -1);
    EXPECT_EQ(trash(group, "b.txt", {"odd.txt"})[0].refusal, CopyRemover::Refusal::NotOffered);

    // A symbolic link put in the copy's place is refused; neither name moves.
    ASSERT_EQ(::unlink(tree_.native("b.txt").c_str()), 0);
    ASSERT_EQ(::symlink(tree_.native("a.txt").c_str(), tree_.native("b.txt").c_str()), 0);
    EXPECT_EQ(trash(group, "a.txt", {"b.txt"})[0].refusal, CopyRemover::Refusal::NotRegular);
    EXPECT_EQ(readWhole(tree_.native("a.txt")), content);
    EXPECT_TRUE(trashedAs(tree_.native("b.txt")).empty());
}

TEST_F(CopyRemoverTrashTest, TrashRefusesWhenTheFileThatStaysIsGone) {
    const std::string mask = addFile("a.txt", "twins");
    addFile("b.txt", "twins");
    const GroupCheck group = check(mask);
    ASSERT_EQ(group.state, GroupState::Confirmed);
    std::remove(tree_.native("a.txt").c_str());
    EXPECT_EQ(trash(group, "a.txt", {"b.txt"})[0].refusal, CopyRemover::Refusal::KeptChanged);
    EXPECT_EQ(readWhole(tree_.native("b.txt")), "twins");
}

TEST_F(CopyRemoverTrashTest, TrashThatCannotBeMadeRefusesAndKeepsTheFileAndItsRow) {
    const std::string mask = addFile("a.txt", "kept either way");
    addFile("b.txt", "kept either way");
    const GroupCheck group = check(mask);
    ASSERT_EQ(group.state, GroupState::Confirmed);
    // A plain file where the trash folder must be: the trash cannot be made,
    // whatever the user's rights (these tests may run as root).
    const std::string away = trashFolder() + ".away";
    std::filesystem::create_directories(std::filesystem::path(trashFolder()).parent_path());
    std::rename(trashFolder().c_str(), away.c_str());
    std::ofstream(trashFolder()) << "not a folder";
    ASSERT_TRUE(std::filesystem::is_regular_file(trashFolder()));

    const auto outcomes = trash(group, "a.txt", {"b.txt"});

    std::remove(trashFolder().c_str());
    std::rename(away.c_str(), trashFolder().c_str());
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].refusal, CopyRemover::Refusal::TrashFailed);
    EXPECT_FALSE(outcomes[0].reason.empty());
    EXPECT_FALSE(outcomes[0].rowDeleted);
    EXPECT_EQ(readWhole(tree_.native("b.txt")), "kept either way");
    EXPECT_EQ(rowsNamed("FILEINFO_FIF", "b.txt"), 1u);
}

TEST_F(CopyRemoverTrashTest, AFileInAProtectedFolderIsRefusedAndStays) {
    const std::string content(3000, 'k');
    const std::string mask = addFile("work/a.bin", content);
    addFile("archive/a.bin", content);
    const GroupCheck group = check(mask);
    ASSERT_EQ(group.state, GroupState::Confirmed);
    AnalysisScope chosen;
    chosen.addFolder(folder("archive"), true);
    {
        CFileInfoDB db(ConfigInfo::global().getDatabasePath());
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(chosen.save(db, AnalysisScope::Stored::Chosen));
    }
    // Asked to move the protected copy and keep the other, the remover refuses.
    int archived = -1, work = -1;
    for (std::size_t i = 0; i < group.files.size(); ++i)
        (group.files[i].folderPath == folder("archive") ? archived : work) = int(i);
    CFileInfoDB database(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(database.open());
    ContentChecker cache(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(cache.open());
    CopyRemover remover(database, cache);
    const auto refused = remover.moveToTrash(group, work, {archived});
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].refusal, CopyRemover::Refusal::Protected);
    EXPECT_EQ(readWhole(tree_.native("archive/a.bin")), content);
    // The other way round the move is allowed: the protected copy stays.
    const auto moved = remover.moveToTrash(group, archived, {work});
    EXPECT_EQ(moved.at(0).refusal, CopyRemover::Refusal::None) << moved.at(0).reason;
    EXPECT_TRUE(platform::pathExists(tree_.drivePath("archive/a.bin")));
}
