// SPDX-License-Identifier: MIT
// A damaged database file is set aside beside itself and a new one is made;
// sound, missing and locked files are left alone.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "RobustnessSupport.h"
#include "TempTree.h"
#include "results/FileInfoLoader.h"
#include "storage/CDatabaseRecovery.h"
#include "storage/CFileInfoDB.h"

namespace fs = std::filesystem;

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The names in `folder` that begin with `prefix`.
std::vector<std::string> namesStartingWith(const std::string& folder, const std::string& prefix) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix, 0) == 0) names.push_back(name);
    }
    return names;
}

// Bytes that no SQLite file begins with.
const std::string kNotADatabase = std::string(4096, 'x') + "not a database";

}  // namespace

class DatabaseRecoveryTest : public ::testing::Test {
protected:
    std::string dbPath() const { return tree_.drivePath("FileInfo__.db"); }
    std::string dbNative() const { return tree_.native("FileInfo__.db"); }

    // A real database of a few thousand rows, closed.
    void makeDatabase(int files) {
        CFileInfoDB db(dbPath());
        ASSERT_TRUE(db.open()) << db.errorText();
        ASSERT_TRUE(db.insertFolder("C:\\DATA\\"));
        const std::string id = db.lastInsertId();
        for (int i = 0; i < files; ++i)
            ASSERT_TRUE(db.insertFile(id, "file" + std::to_string(i) + ".txt",
                                      std::string(80, 'A' + i % 6), 1700000000 + i));
        ASSERT_TRUE(db.updateFolderTime("20240101000000000", id));
    }

    // Overwrites `count` bytes at `offset` with 0xFF.
    void damageAt(std::size_t offset, std::size_t count) {
        std::fstream file(dbNative(), std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(static_cast<std::streamoff>(offset));
        const std::string garbage(count, '\xFF');
        file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    }

    TempTree tree_;
};

TEST_F(DatabaseRecoveryTest, FileThatIsNoDatabaseIsKeptBesideItselfWithItsBytes) {
    tree_.writeFile("FileInfo__.db", kNotADatabase);
    CDatabaseRecovery recovery(dbPath());
    ASSERT_EQ(recovery.check(), CDatabaseRecovery::State::SetAside) << recovery.reason();
    EXPECT_EQ(recovery.reason(), "file is not a database");
    ASSERT_EQ(recovery.keptAs().rfind(dbPath() + ".broken-", 0), 0u) << recovery.keptAs();
    const std::string keptName = recovery.keptAs().substr(recovery.keptAs().rfind('\\') + 1);
    EXPECT_EQ(readFile(tree_.native(keptName)), kNotADatabase);
    EXPECT_FALSE(fs::exists(dbNative()));
}

TEST_F(DatabaseRecoveryTest, AfterSettingAsideANewDatabaseOpensWithItsTables) {
    tree_.writeFile("FileInfo__.db", kNotADatabase);
    ASSERT_EQ(CDatabaseRecovery(dbPath()).check(), CDatabaseRecovery::State::SetAside);
    CFileInfoDB db(dbPath());
    ASSERT_TRUE(db.open()) << db.errorText();
    EXPECT_TRUE(db.tableExists("FILEINFO_FIF"));
    EXPECT_TRUE(db.addIgnoredFolder("C:\\A")) << db.errorText();
}

TEST_F(DatabaseRecoveryTest, DamagedPageFailsTheQuickCheckAndIsSetAside) {
    makeDatabase(3000);
    for (std::size_t page = 2; page < 10; ++page) damageAt(4096 * page, 16);  // page headers
    CDatabaseRecovery recovery(dbPath());
    ASSERT_EQ(recovery.check(), CDatabaseRecovery::State::SetAside);
    EXPECT_FALSE(recovery.reason().empty());
    EXPECT_EQ(recovery.reason().find('\n'), std::string::npos) << recovery.reason();
}

TEST_F(DatabaseRecoveryTest, SoundDatabaseStaysWithEveryRow) {
    makeDatabase(500);
    const std::string before = readFile(dbNative());
    EXPECT_EQ(CDatabaseRecovery(dbPath()).check(), CDatabaseRecovery::State::Sound);
    EXPECT_EQ(readFile(dbNative()), before);
    EXPECT_TRUE(namesStartingWith(tree_.root(), "FileInfo__.db.broken-").empty());
}

TEST_F(DatabaseRecoveryTest, EmptyFileCountsAsSound) {
    tree_.writeFile("FileInfo__.db", "");
    EXPECT_EQ(CDatabaseRecovery(dbPath()).check(), CDatabaseRecovery::State::Sound);
    EXPECT_TRUE(fs::exists(dbNative()));
}

TEST_F(DatabaseRecoveryTest, MissingFileIsNotCreated) {
    EXPECT_EQ(CDatabaseRecovery(dbPath()).check(), CDatabaseRecovery::State::Missing);
    EXPECT_FALSE(fs::exists(dbNative()));
}

TEST_F(DatabaseRecoveryTest, NamesTakenAlreadyAreNeverOverwritten) {
    tree_.writeFile("FileInfo__.db", kNotADatabase);
    // The names of this second and the next few, each holding a file of its own.
    std::vector<std::string> taken;
    const std::time_t now = std::time(nullptr);
    for (std::time_t t = now; t < now + 5; ++t) {
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", std::localtime(&t));
        taken.push_back(std::string("FileInfo__.db.broken-") + stamp);
        tree_.writeFile(taken.back(), "kept " + taken.back());
    }
    CDatabaseRecovery recovery(dbPath());
    ASSERT_EQ(recovery.check(), CDatabaseRecovery::State::SetAside);
    for (const std::string& name : taken) {
        EXPECT_EQ(readFile(tree_.native(name)), "kept " + name);
        EXPECT_NE(recovery.keptAs(), tree_.drivePath(name));
    }
    EXPECT_EQ(namesStartingWith(tree_.root(), "FileInfo__.db.broken-").size(), taken.size() + 1);
}

// A journal beside a new database would be taken for that one's.
TEST_F(DatabaseRecoveryTest, NoJournalOfTheDamagedFileStaysBesideTheNewOne) {
    tree_.writeFile("FileInfo__.db", kNotADatabase);
    tree_.writeFile("FileInfo__.db-journal", "journal of the damaged file");
    ASSERT_EQ(CDatabaseRecovery(dbPath()).check(), CDatabaseRecovery::State::SetAside);
    EXPECT_FALSE(fs::exists(dbNative() + "-journal"));
}

TEST_F(DatabaseRecoveryTest, DatabaseHeldExclusivelyByAnotherConnectionIsLeftUnchecked) {
    makeDatabase(10);
    CSqliteDB other(dbPath());
    ASSERT_TRUE(other.open());
    ASSERT_TRUE(other.execute("BEGIN EXCLUSIVE")) << other.errorText();
    CDatabaseRecovery recovery(dbPath());
    EXPECT_EQ(recovery.check(), CDatabaseRecovery::State::Unchecked);
    EXPECT_EQ(recovery.reason(), "database is locked");
    EXPECT_TRUE(fs::exists(dbNative()));
}

// The window program's start-up question sets a damaged file aside without a
// word on either output, and the analysis it then starts finds a new file.
TEST_F(DatabaseRecoveryTest, LoaderSetsADamagedFileAsideSilently) {
    tree_.writeFile("FileInfo__.db", kNotADatabase);
    FileInfoLoader loader(dbPath());
    std::fflush(stdout);
    std::fflush(stderr);
    const std::string captured = tree_.native("outputs.txt");
    const int saved[2] = {::dup(STDOUT_FILENO), ::dup(STDERR_FILENO)};
    std::FILE* sink = std::fopen(captured.c_str(), "w");
    ASSERT_NE(sink, nullptr);
    ::dup2(::fileno(sink), STDOUT_FILENO);
    ::dup2(::fileno(sink), STDERR_FILENO);
    const bool ready = loader.isDatabaseReady();
    std::fflush(stdout);
    std::fflush(stderr);
    ::dup2(saved[0], STDOUT_FILENO);
    ::dup2(saved[1], STDERR_FILENO);
    ::close(saved[0]);
    ::close(saved[1]);
    std::fclose(sink);

    EXPECT_FALSE(ready);  // no index yet: the window starts an analysis
    EXPECT_EQ(readFile(captured), "");
    EXPECT_EQ(namesStartingWith(tree_.root(), "FileInfo__.db.broken-").size(), 1u);
    EXPECT_TRUE(loader.database().tableExists("FILEINFO_DIF"));
}
