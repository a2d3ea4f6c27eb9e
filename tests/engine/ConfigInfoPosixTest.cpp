// SPDX-License-Identifier: MIT
// Excluded folders on POSIX systems, whose paths are case sensitive.
#include <gtest/gtest.h>

#include "engine/SystemDirInfo.h"
#include "util/platform/FileSystem.h"

TEST(SystemDirInfoPosix, CaseCountsWherePathsAreCaseSensitive) {
    SystemDirInfo dirs;
    dirs.addDirectory("C:\\Program Files\\");
    ASSERT_FALSE(platform::pathsIgnoreCase());
    EXPECT_FALSE(dirs.matches("C:\\PROGRAM FILES\\"));
}
