// SPDX-License-Identifier: MIT
// The wrapper over the POSIX drive map: a path on no mapped drive.
#include "StorageTest.h"

namespace {
const std::string kCannotOpen = "无法打开数据库:";
using ClosedWrapperTest = StorageTest;
}  // namespace

TEST_F(ClosedWrapperTest, OpenFailureOnAnUnmappedDriveNamesThePath) {
    CSqliteDB db("Q:\\nowhere\\files.db");
    EXPECT_FALSE(db.open());
    EXPECT_EQ(db.errorText().rfind(kCannotOpen, 0), 0u) << db.errorText();
    EXPECT_NE(db.errorText().find("Q:\\nowhere\\files.db"), std::string::npos) << db.errorText();
    EXPECT_FALSE(db.isOpen());
}
