// SPDX-License-Identifier: MIT
// Batched writes are a faster way to the same database: the same scans of
// the same tree must leave the same rows, identifiers included, as writes
// committed folder by folder.
#include <cstdlib>
#include <filesystem>

#include "EngineTest.h"
#include "engine/FileInfoProc.h"

namespace {

using WriteMode = FileInfoData::WriteMode;
namespace fs = std::filesystem;

// Every table the scanner writes, row by row in ID order.
std::vector<CSqliteDB::Row> dump() {
    std::vector<CSqliteDB::Row> rows;
    for (const char* sql :
         {"SELECT * FROM FILEINFO_DIF ORDER BY ID", "SELECT * FROM FILEINFO_FIF ORDER BY ID",
          "SELECT * FROM sqlite_sequence ORDER BY name"}) {
        rows.push_back({sql});
        for (auto& row : selectRows(sql)) rows.push_back(std::move(row));
    }
    return rows;
}

void setAllTimes(const TempTree& tree, std::int64_t folders, std::int64_t files) {
    const std::string root = tree.root();
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = entry.path().string().substr(root.size() + 1);
        tree.setModificationTime(relative, entry.is_directory() ? folders : files);
    }
    tree.setModificationTime("", folders);
}

void scanDrive(WriteMode mode, std::int64_t lastScanTime) {
    FileInfoProc scanner("D:\\", mode);
    scanner.lastScanTime = lastScanTime;
    scanner.folderData().setBatchSize(7);  // many commits, some inside a folder
    struct Silent : IInfoLog {
        int print(const char*) override { return 0; }
    } silent;
    scanner.scanFolder(scanner.rootPath().c_str(), silent);
}

}  // namespace

class WriteModeTest : public EngineTest {
protected:
    void TearDown() override {
        setenv("LANBROOK_DRIVES", ("C:=" + testsupport::prepareScratchEnvironment()).c_str(), 1);
        EngineTest::TearDown();
    }

    // Two scans of a fresh tree mapped as D:, with changes between them; the
    // database after each.
    std::vector<std::vector<CSqliteDB::Row>> scenario(WriteMode mode) {
        testsupport::removeDatabase();
        TempTree tree;
        setenv("LANBROOK_DRIVES",
               ("C:=" + testsupport::prepareScratchEnvironment() + ";D:=" + tree.root()).c_str(),
               1);
        for (int i = 0; i < 40; ++i)
            tree.writeFile("many/f" + std::to_string(i), std::to_string(i % 97));
        tree.writeFile("docs/Read Me.txt", "read me");
        tree.writeFile("docs/Bob's notes", "notes");
        tree.writeFile("docs/old/gone.txt", "gone");
        tree.writeFile("docs/old/deeper/x", "x");
        tree.writeFile("docs/olden/kept", "kept");
        tree.writeFile("edit/in place", "before");
        setAllTimes(tree, 2000, 1000);
        std::vector<std::vector<CSqliteDB::Row>> states;
        scanDrive(mode, 0);
        states.push_back(dump());

        fs::remove_all(tree.native("docs/old"));
        fs::remove(tree.native("many/f7"));
        tree.writeFile("many/new", "new");
        tree.writeFile("fresh/sub/y", "y");
        tree.writeFile("edit/in place", "after!");
        setAllTimes(tree, 2000, 1000);
        for (const char* changed : {"docs", "many", ""}) tree.setModificationTime(changed, 2500);
        tree.setModificationTime("edit/in place", 3000);
        scanDrive(mode, 2000);
        states.push_back(dump());
        return states;
    }
};

TEST_F(WriteModeTest, BatchedWritesLeaveTheRowsOfWritesCommittedPerFolder) {
    const auto plain = scenario(WriteMode::PerFolder);
    const auto batched = scenario(WriteMode::Batched);
    ASSERT_EQ(plain.size(), batched.size());
    EXPECT_GT(plain[0].size(), 50u);
    for (std::size_t i = 0; i < plain.size(); ++i)
        EXPECT_EQ(plain[i], batched[i]) << "after scan " << i + 1;
}
