// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "TempTree.h"
#include "engine/ConfigInfo.h"
#include "engine/IInfoLog.h"
#include "storage/CSqliteDB.h"

// The rows of the process's database as another program sees them: read
// through a connection opened for the call, so only committed rows show.
inline std::vector<CSqliteDB::Row> selectRows(const std::string& sql) {
    CSqliteDB reader(ConfigInfo::global().getDatabasePath());
    EXPECT_TRUE(reader.open()) << reader.errorText();
    EXPECT_TRUE(reader.query(sql)) << sql << ": " << reader.errorText();
    return {reader.resultRows().begin(), reader.resultRows().end()};
}

inline void executeSql(const std::string& sql) {
    CSqliteDB writer(ConfigInfo::global().getDatabasePath());
    ASSERT_TRUE(writer.open()) << writer.errorText();
    ASSERT_TRUE(writer.execute(sql)) << sql << ": " << writer.errorText();
}

// A progress sink that keeps the folders it is told of, in order.
class RecordingLog : public IInfoLog {
public:
    int print(const char* text) override {
        folders.emplace_back(text);
        return 1;
    }
    std::vector<std::string> folders;
};

// A fresh database and a real tree per test; helpers read back what a scan stored.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::removeDatabase(); }
    void TearDown() override { testsupport::removeDatabase(); }

    // Folder path of `relative` in stored form: program form, ending in a backslash.
    std::string folder(const std::string& relative = "") const {
        return tree_.drivePath(relative) + "\\";
    }

    // FNAME -> FLEVEL of every stored folder.
    static std::map<std::string, std::string> storedFolders() {
        std::map<std::string, std::string> folders;
        for (const auto& row : selectRows("SELECT FNAME, FLEVEL FROM FILEINFO_DIF"))
            folders[row.at(0)] = row.at(1);
        return folders;
    }

    // Full path (folder FNAME + file FNAME) -> MASK of every stored file whose folder row exists.
    static std::map<std::string, std::string> storedFiles() {
        std::map<std::string, std::string> files;
        for (const auto& row : selectRows("SELECT A.FNAME || B.FNAME, B.MASK FROM FILEINFO_DIF A, "
                                          "FILEINFO_FIF B WHERE B.FOLDERID = A.ID"))
            files[row.at(0)] = row.at(1);
        return files;
    }

    static std::size_t rowCount(const std::string& table) {
        return std::stoul(selectRows("SELECT COUNT(*) FROM " + table).at(0).at(0));
    }

    TempTree tree_;
};
