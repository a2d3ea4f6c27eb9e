// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempTree.h"
#include "storage/CFileInfoDB.h"
#include "storage/CSqliteDB.h"

// A fixture with a database file of its own in a fresh temporary folder, and
// a look at the file through a separate connection, as another program would
// see it (so only committed rows are visible).
class StorageTest : public ::testing::Test {
protected:
    using Table = std::vector<std::vector<std::string>>;

    // Program form, as the program names its database: C:\tree-N\files.db.
    std::string dbPath() const { return tree_.drivePath("files.db"); }
    std::string dbNative() const { return tree_.native("files.db"); }

    // Every row of `sql`, read through a connection opened for the call.
    Table select(const std::string& sql) const {
        CSqliteDB reader(dbPath());
        EXPECT_TRUE(reader.open()) << reader.errorText();
        EXPECT_TRUE(reader.query(sql)) << sql << ": " << reader.errorText();
        const CSqliteDB::Rows& rows = reader.resultRows();
        return Table(rows.begin(), rows.end());
    }

    // The first column of every row of `sql`.
    std::vector<std::string> column(const std::string& sql) const {
        std::vector<std::string> values;
        for (const auto& row : select(sql)) values.push_back(row.at(0));
        return values;
    }

    TempTree tree_;
};

// A MASK-shaped text: 80 hexadecimal digits, distinct per `n`.
inline std::string mask(int n) {
    const std::string digits = std::to_string(n);
    return std::string(80 - digits.size(), '0') + digits;
}

// An open file information database with helpers that store folders and
// files the way the scanner does.
class FileInfoDBTest : public StorageTest {
protected:
    void SetUp() override { ASSERT_TRUE(db_.open()) << db_.errorText(); }

    // Inserts a folder and completes its scan (which commits); returns its ID.
    std::string addFolder(const std::string& path) {
        EXPECT_TRUE(db_.insertFolder(path)) << path << ": " << db_.errorText();
        const std::string id = db_.lastInsertId();
        EXPECT_TRUE(db_.updateFolderTime("20240102030405006", id)) << path;
        return id;
    }

    void addFile(const std::string& folderId, const std::string& name,
                 const std::string& fileMask) {
        EXPECT_TRUE(db_.insertFile(folderId, name, fileMask, 1700000000)) << name;
    }

    CFileInfoDB db_{dbPath()};
};
