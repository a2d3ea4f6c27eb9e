// SPDX-License-Identifier: MIT
// The analysis scope: which folders an analysis walks, which files are
// protected, and how both are stored.
#include "engine/AnalysisScope.h"

#include "EngineTest.h"
#include "engine/GroupCheck.h"
#include "storage/CFileInfoDB.h"
#include "util/platform/FileSystem.h"

namespace {

AnalysisScope scopeOf(std::initializer_list<const char*> folders) {
    AnalysisScope scope;
    for (const char* folder : folders) scope.addFolder(folder, false);
    return scope;
}

// Folder paths in the form the scope stores them on this platform.
std::string stored(std::string path) {
    if (platform::pathsIgnoreCase())
        for (char& c : path)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return path;
}

}  // namespace

TEST(AnalysisScope, EmptyMeansEveryDrive) {
    const AnalysisScope scope;
    EXPECT_TRUE(scope.coversEveryDrive());
    EXPECT_TRUE(scope.roots().empty());
    EXPECT_TRUE(scope.holds("C:\\anything\\at all.txt"));
    EXPECT_EQ(scope.rootOf("C:\\x"), -1);
    EXPECT_FALSE(scope.isProtected("C:\\x"));
}

TEST(AnalysisScope, NestedAndRepeatedFoldersAreWalkedOnce) {
    const AnalysisScope scope =
        scopeOf({"C:\\data\\photos\\2020", "C:\\data\\photos\\", "C:\\data\\photos", "D:\\usb\\",
                 "C:\\data\\photos\\2021\\raw"});
    EXPECT_EQ(scope.folders().size(), 4u) << "the same folder with and without its backslash";
    EXPECT_EQ(scope.roots(),
              (std::vector<std::string>{stored("C:\\data\\photos\\"), stored("D:\\usb\\")}));
}

TEST(AnalysisScope, AFolderHoldsItsTreeButNotASiblingWithALongerName) {
    const AnalysisScope scope = scopeOf({"C:\\a\\", "D:\\b_%\\"});
    EXPECT_EQ(scope.rootOf("C:\\a\\"), 0);
    EXPECT_EQ(scope.rootOf("C:\\a\\deep\\x.jpg"), 0);
    EXPECT_EQ(scope.rootOf("D:\\b_%\\y"), 1);
    EXPECT_FALSE(scope.holds("C:\\ab\\x.jpg"));
    EXPECT_FALSE(scope.holds("C:\\"));
    EXPECT_FALSE(scope.holds("D:\\bx%\\y")) << "'_' is no wildcard";
}

TEST(AnalysisScope, ProtectionCoversTheFolderAndBelowOnly) {
    AnalysisScope scope = scopeOf({"C:\\keep\\", "C:\\work\\"});
    ASSERT_TRUE(scope.setProtected("C:\\keep", true));
    EXPECT_TRUE(scope.isProtected("C:\\keep\\a.jpg"));
    EXPECT_TRUE(scope.isProtected("C:\\keep\\old\\b.jpg"));
    EXPECT_FALSE(scope.isProtected("C:\\keeper\\a.jpg"));
    EXPECT_FALSE(scope.isProtected("C:\\work\\a.jpg"));
    EXPECT_FALSE(scope.setProtected("C:\\nowhere\\", true));
    // Adding a listed folder again never takes a mark away.
    scope.addFolder("C:\\keep\\", false);
    EXPECT_TRUE(scope.isProtected("C:\\keep\\a.jpg"));
}

TEST(AnalysisScope, TheWholeComputerKeepsTheMarksButWalksEveryDrive) {
    AnalysisScope scope;
    scope.addFolder("C:\\keep\\", true);
    scope.setAcross(true);
    scope.setWholeComputer(true);
    EXPECT_TRUE(scope.coversEveryDrive());
    EXPECT_TRUE(scope.roots().empty());
    EXPECT_TRUE(scope.holds("E:\\other\\x"));
    EXPECT_TRUE(scope.isProtected("C:\\keep\\a.jpg"));
    EXPECT_FALSE(scope.matchesAcross()) << "across needs folders";
    scope.setWholeComputer(false);
    EXPECT_TRUE(scope.matchesAcross());
    EXPECT_EQ(scope.roots().size(), 1u);
}

TEST(AnalysisScope, SelectionComparesTheFoldersWalkedAndTheRule) {
    AnalysisScope a = scopeOf({"C:\\x\\", "C:\\y\\"});
    AnalysisScope b = scopeOf({"C:\\y\\", "C:\\x\\", "C:\\x\\inner\\"});
    EXPECT_TRUE(a.sameSelection(b));
    EXPECT_FALSE(a == b);
    b.setProtected("C:\\x\\inner\\", true);
    EXPECT_TRUE(a.sameSelection(b)) << "a mark changes no index";
    b.setAcross(true);
    EXPECT_FALSE(a.sameSelection(b));
    EXPECT_FALSE(a.sameSelection(AnalysisScope()));
}

TEST(AnalysisScope, FoldersAboveRunUpToTheDriveRoot) {
    EXPECT_EQ(AnalysisScope::foldersAbove("C:\\a\\b\\"),
              (std::vector<std::string>{"C:\\a\\b\\", "C:\\a\\", "C:\\"}));
    EXPECT_EQ(AnalysisScope::foldersAbove("C:\\a"), (std::vector<std::string>{"C:\\a\\", "C:\\"}));
    EXPECT_EQ(AnalysisScope::foldersAbove("C:\\"), (std::vector<std::string>{"C:\\"}));
}

TEST(AnalysisScope, FilesOutsideTheScopeLeaveTheGroups) {
    GroupCheck group;
    for (const char* folder : {"C:\\in\\", "C:\\out\\", "C:\\in\\deep\\", "C:\\inside\\"}) {
        CheckedFile file;
        file.folderPath = stored(folder);
        file.name = "x.jpg";
        group.files.push_back(file);
    }
    std::vector<GroupCheck> groups{group};
    scopeOf({"C:\\in\\"}).keepFilesInside(groups);
    ASSERT_EQ(groups[0].files.size(), 2u);
    EXPECT_EQ(groups[0].files[0].folderPath, stored("C:\\in\\"));
    EXPECT_EQ(groups[0].files[1].folderPath, stored("C:\\in\\deep\\"));
    std::vector<GroupCheck> all{group};
    AnalysisScope().keepFilesInside(all);
    EXPECT_EQ(all[0].files.size(), 4u);
}

// The stored scopes, in a real database file.
class StoredScopeTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_TRUE(db_.open()) << db_.errorText();
    }
    CFileInfoDB db_{ConfigInfo::global().getDatabasePath()};
};

TEST_F(StoredScopeTest, ADatabaseWithoutTheTablesHoldsEmptyScopesAndGainsNone) {
    AnalysisScope scope = scopeOf({"C:\\x\\"});
    ASSERT_TRUE(scope.load(db_, AnalysisScope::Stored::Chosen));
    EXPECT_TRUE(scope.coversEveryDrive());
    EXPECT_TRUE(scope.folders().empty());
    ASSERT_TRUE(AnalysisScope().save(db_, AnalysisScope::Stored::Analysed));
    EXPECT_FALSE(db_.tableExists("LANBROOK_SCOPE")) << "an empty scope writes nothing";
    EXPECT_FALSE(db_.tableExists("LANBROOK_SCOPE_SET"));
}

TEST_F(StoredScopeTest, TheTwoScopesAreStoredApartAndComeBackAsTheyWere) {
    AnalysisScope chosen;
    chosen.addFolder("C:\\ann's \"photos\"\\", true);
    chosen.addFolder("C:\\b_%\\", false);
    chosen.setAcross(true);
    AnalysisScope analysed = scopeOf({"D:\\usb\\"});
    analysed.setWholeComputer(true);
    ASSERT_TRUE(chosen.save(db_, AnalysisScope::Stored::Chosen)) << db_.errorText();
    ASSERT_TRUE(analysed.save(db_, AnalysisScope::Stored::Analysed)) << db_.errorText();

    CFileInfoDB other(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(other.open());
    AnalysisScope loaded;
    ASSERT_TRUE(loaded.load(other, AnalysisScope::Stored::Chosen));
    EXPECT_TRUE(loaded == chosen);
    ASSERT_TRUE(loaded.load(other, AnalysisScope::Stored::Analysed));
    EXPECT_TRUE(loaded == analysed);
    // Saving replaces: a folder removed is gone.
    chosen.removeFolder("C:\\b_%\\");
    ASSERT_TRUE(chosen.save(db_, AnalysisScope::Stored::Chosen));
    ASSERT_TRUE(loaded.load(other, AnalysisScope::Stored::Chosen));
    EXPECT_EQ(loaded.folders().size(), 1u);
}

TEST_F(StoredScopeTest, ProtectionJoinsTheChosenAndTheAnalysedMarks) {
    AnalysisScope chosen = scopeOf({"C:\\now\\"});
    chosen.setProtected("C:\\now\\", true);
    AnalysisScope analysed = scopeOf({"C:\\then\\", "C:\\plain\\"});
    analysed.setProtected("C:\\then\\", true);
    ASSERT_TRUE(chosen.save(db_, AnalysisScope::Stored::Chosen));
    ASSERT_TRUE(analysed.save(db_, AnalysisScope::Stored::Analysed));
    AnalysisScope protection;
    ASSERT_TRUE(protection.loadProtection(db_));
    EXPECT_TRUE(protection.isProtected(stored("C:\\now\\a")));
    EXPECT_TRUE(protection.isProtected(stored("C:\\then\\a")));
    EXPECT_FALSE(protection.isProtected(stored("C:\\plain\\a")));
}

TEST_F(StoredScopeTest, StoringWithForgetIndexMarksTheIndexAsNotBuilt) {
    ASSERT_TRUE(db_.recreateIndexTable());
    ASSERT_TRUE(db_.recordIndexGeneration(0, 0));
    ASSERT_EQ(selectRows("SELECT VALUE FROM LANBROOK_GENERATION WHERE NAME = 'INDEX'").at(0).at(0),
              "0");
    ASSERT_TRUE(scopeOf({"C:\\x\\"}).save(db_, AnalysisScope::Stored::Analysed, true));
    EXPECT_EQ(selectRows("SELECT VALUE FROM LANBROOK_GENERATION WHERE NAME = 'INDEX'").at(0).at(0),
              "-1");
}

TEST_F(StoredScopeTest, AClosedDatabaseIsAFailureNotAnEmptyScope) {
    CFileInfoDB closed(ConfigInfo::global().getDatabasePath());
    AnalysisScope scope = scopeOf({"C:\\x\\"});
    EXPECT_FALSE(scope.load(closed, AnalysisScope::Stored::Chosen));
    EXPECT_EQ(scope.folders().size(), 1u) << "left as it was";
    EXPECT_FALSE(scope.loadProtection(closed));
}

TEST_F(StoredScopeTest, ALockedDatabaseIsAFailureNotAnEmptyScope) {
    AnalysisScope chosen = scopeOf({"C:\\keep\\"});
    chosen.setProtected("C:\\keep\\", true);
    ASSERT_TRUE(chosen.save(db_, AnalysisScope::Stored::Chosen));
    CSqliteDB holder(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(holder.open());
    ASSERT_TRUE(holder.execute("BEGIN EXCLUSIVE"));
    CFileInfoDB reader(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(reader.open());
    AnalysisScope protection;
    EXPECT_FALSE(protection.loadProtection(reader))
        << "a protected folder must never read as no protection";
    ASSERT_TRUE(holder.execute("COMMIT"));
    ASSERT_TRUE(protection.loadProtection(reader));
    EXPECT_TRUE(protection.isProtected(stored("C:\\keep\\a")));
}
