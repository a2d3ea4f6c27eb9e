// SPDX-License-Identifier: MIT
#include "engine/ConfigInfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "ScopedEnvironment.h"
#include "TempTree.h"
#include "engine/SystemDirInfo.h"
#include "util/platform/FileSystem.h"

TEST(ConfigInfo, DataDirectoryAndDatabaseInTheProfile) {
    const ConfigInfo config("C:\\Users\\ann");
    EXPECT_EQ(config.getDataDirectory(), "C:\\Users\\ann\\FileInfoData\\");
    EXPECT_EQ(config.getDatabasePath(), "C:\\Users\\ann\\FileInfoData\\FileInfo__.db");
}

TEST(ConfigInfo, ProfileEndingInABackslashKeepsTheDoubledSeparator) {
    const ConfigInfo config("C:\\Users\\ann\\");
    EXPECT_EQ(config.getDataDirectory(), "C:\\Users\\ann\\\\FileInfoData\\");
}

TEST(ConfigInfo, ScannedFormOfTheDataDirectoryHasNoDoubledSeparator) {
    EXPECT_EQ(ConfigInfo("D:\\").getDataDirectoryAsScanned(), "D:\\FileInfoData\\");
    EXPECT_EQ(ConfigInfo("C:\\Users\\ann\\").getDataDirectoryAsScanned(),
              "C:\\Users\\ann\\FileInfoData\\");
    EXPECT_EQ(ConfigInfo("\\\\server\\home").getDataDirectoryAsScanned(),
              "\\\\server\\home\\FileInfoData\\");
}

TEST(ConfigInfo, GlobalCreatesTheDataDirectoryOfTheEnvironmentsProfile) {
    const ConfigInfo& config = ConfigInfo::global();
    ASSERT_TRUE(config.isValid());
    EXPECT_EQ(config.getDataDirectory(), testsupport::profilePath() + "\\FileInfoData\\");
    EXPECT_TRUE(std::filesystem::is_directory(testsupport::prepareScratchEnvironment() +
                                              "/profile/FileInfoData"));
}

TEST(ConfigInfo, StoreNameEscaping) {
    EXPECT_EQ(ConfigInfo::escapeStoreName("FileInfo"), "FileInfo__");
    EXPECT_EQ(ConfigInfo::escapeStoreName("C:\\a_b=c\\"), "C____a=_b==c__");
}

namespace {
// The seven variables that name excluded folders, unset while it lives (a
// Windows system sets them all); the cases set those they are about.
class NoExcludedFolderVariables {
    ScopedEnvironment w6432_{"ProgramW6432", nullptr}, files_{"ProgramFiles", nullptr},
        x86_{"ProgramFiles(x86)", nullptr}, root_{"SystemRoot", nullptr},
        appData_{"APPDATA", nullptr}, data_{"ProgramData", nullptr}, public_{"PUBLIC", nullptr};
};
}  // namespace

class SystemDirInfoTest : public ::testing::Test {
protected:
    NoExcludedFolderVariables unset_;
    SystemDirInfo dirs_;
};

TEST_F(SystemDirInfoTest, EntryMatchesItselfAndBelowButNotASibling) {
    dirs_.addDirectory("C:\\Program Files");
    EXPECT_TRUE(dirs_.matches("C:\\Program Files\\"));
    EXPECT_TRUE(dirs_.matches("C:\\Program Files\\X\\"));
    EXPECT_FALSE(dirs_.matches("C:\\Program Files (x86)\\"));
    EXPECT_FALSE(dirs_.matches("C:\\Program Files"));
}

TEST_F(SystemDirInfoTest, NullIsIgnoredAndEmptyBecomesALoneBackslash) {
    const auto before = dirs_.directories().size();
    dirs_.addDirectory(nullptr);
    EXPECT_EQ(dirs_.directories().size(), before);
    dirs_.addDirectory("");
    EXPECT_EQ(dirs_.directories().back(), "\\");
    dirs_.addDirectory("C:\\x\\");
    dirs_.addDirectory("C:\\x\\");
    EXPECT_EQ(dirs_.directories().size(), before + 3) << "duplicates stand twice";
}

TEST(SystemDirInfo, EnvironmentFoldersComeFirstThenTheSystemFolders) {
    const NoExcludedFolderVariables unset;
    setenv("ProgramFiles", "C:\\Program Files", 1);
    setenv("APPDATA", "C:\\Users\\ann\\AppData\\Roaming\\", 1);
    const SystemDirInfo dirs;
    unsetenv("ProgramFiles");
    unsetenv("APPDATA");
    ASSERT_GE(dirs.directories().size(), 2u);
    EXPECT_EQ(dirs.directories()[0], "C:\\Program Files\\");
    EXPECT_EQ(dirs.directories()[1], "C:\\Users\\ann\\AppData\\Roaming\\");
    const auto& all = dirs.directories();
    EXPECT_EQ(std::count(all.begin(), all.end(), "C:\\Program Files\\"), 1);
}
