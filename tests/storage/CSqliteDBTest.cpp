// SPDX-License-Identifier: MIT
#include <sqlite3.h>

#include <filesystem>

#include "StorageTest.h"

namespace fs = std::filesystem;

namespace {
const std::string kCannotOpen = "无法打开数据库:";

using ClosedWrapperTest = StorageTest;

class CSqliteDBTest : public StorageTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(db_.open()) << db_.errorText();
        ASSERT_TRUE(
            db_.execute("CREATE TABLE T (ID INTEGER PRIMARY KEY, NAME TEXT UNIQUE, N INT)"));
    }
    CSqliteDB db_{dbPath()};
};
}  // namespace

TEST_F(ClosedWrapperTest, NeverOpenedWrapperFailsWithoutCreatingTheFile) {
    CSqliteDB db(dbPath());
    CSqliteDB::Statement statement;
    CSqliteDB::Rows rows = CSqliteDB::Rows{{"a"}};
    const std::vector<std::pair<const char*, bool>> results = {
        {"execute", db.execute("CREATE TABLE T (A)")},
        {"query", db.query("SELECT 1")},
        {"tableExists", db.tableExists("T")},
        {"prepare", db.prepare(statement, "SELECT 1")},
        {"executeOnce", db.executeOnce("SELECT 1")},
        {"insertRows", db.insertRows("INSERT INTO T VALUES (?)", rows)},
    };
    for (const auto& [name, result] : results) EXPECT_FALSE(result) << name;
    EXPECT_EQ(db.errorText(), "DB not open.");
    EXPECT_EQ(rows.size(), 1u);
    EXPECT_FALSE(db.bindAndStep(statement.get(), {"x"}));
    EXPECT_FALSE(fs::exists(dbNative()));
}

TEST_F(ClosedWrapperTest, OpenFailureOnAMissingFolderLeavesTheWrapperClosed) {
    CSqliteDB db(tree_.drivePath("no-such-folder\\files.db"));
    EXPECT_FALSE(db.open());
    EXPECT_EQ(db.errorText(), kCannotOpen + "unable to open database file");
    EXPECT_FALSE(db.isOpen());
    EXPECT_FALSE(db.execute("SELECT 1"));
    EXPECT_EQ(db.errorText(), "DB not open.");
}

TEST_F(CSqliteDBTest, OpenWhenOpenKeepsErrorAndRows) {
    ASSERT_TRUE(db_.query("SELECT 5"));
    EXPECT_FALSE(db_.execute("NOT SQL"));
    const std::string error = db_.errorText();
    EXPECT_TRUE(db_.open());
    EXPECT_EQ(db_.errorText(), error);
    EXPECT_EQ(db_.resultRows(), (CSqliteDB::Rows{{"5"}}));
}

TEST_F(CSqliteDBTest, QueryReplacesTheRowsOfTheQueryBefore) {
    ASSERT_TRUE(db_.query("SELECT 1, 'one' UNION ALL SELECT 2, 'two'"));
    EXPECT_EQ(db_.resultRows(), (CSqliteDB::Rows{{"1", "one"}, {"2", "two"}}));
    ASSERT_TRUE(db_.query("SELECT NAME FROM T"));
    EXPECT_TRUE(db_.resultRows().empty());
}

TEST_F(CSqliteDBTest, NullColumnArrivesAsEmptyText) {
    ASSERT_TRUE(db_.query("SELECT NULL, 'x'"));
    EXPECT_EQ(db_.resultRows(), (CSqliteDB::Rows{{"", "x"}}));
}

TEST_F(CSqliteDBTest, LastInsertIdFollowsTheConnectionsLastInsert) {
    CSqliteDB fresh(dbPath());
    ASSERT_TRUE(fresh.open());
    EXPECT_EQ(fresh.lastInsertId(), "");
    ASSERT_TRUE(fresh.execute("SELECT 1"));
    EXPECT_EQ(fresh.lastInsertId(), "0");
    ASSERT_TRUE(fresh.execute("INSERT INTO T (ID, NAME) VALUES (41, 'a')"));
    EXPECT_EQ(fresh.lastInsertId(), "41");
    ASSERT_TRUE(fresh.execute("UPDATE T SET N = 1"));
    EXPECT_EQ(fresh.lastInsertId(), "41");
    EXPECT_FALSE(fresh.execute("INSERT INTO T (ID, NAME) VALUES (42, 'a')"));
    EXPECT_EQ(fresh.lastInsertId(), "");
}

TEST_F(CSqliteDBTest, TableExistsAlsoWhenEmpty) {
    EXPECT_TRUE(db_.tableExists("T"));
    EXPECT_FALSE(db_.tableExists("MISSING"));
    EXPECT_EQ(db_.errorText(), "");
}

TEST_F(CSqliteDBTest, BindAndStepOnARowYieldingStatementFailsAndResets) {
    ASSERT_TRUE(db_.execute("INSERT INTO T (NAME) VALUES ('x')"));
    CSqliteDB::Statement statement;
    ASSERT_TRUE(db_.prepare(statement, "SELECT NAME FROM T WHERE NAME = ?"));
    EXPECT_FALSE(db_.bindAndStep(statement.get(), {"x"}));
    EXPECT_EQ(sqlite3_stmt_busy(statement.get()), 0);
}

TEST_F(CSqliteDBTest, InsertRowsStopsAtTheFailingRowAndCommitsNothing) {
    CSqliteDB::Rows rows = CSqliteDB::Rows{{"a"}, {"b"}, {"a"}, {"c"}};
    EXPECT_FALSE(db_.insertRows("INSERT INTO T (NAME) VALUES (?)", rows));
    EXPECT_EQ(rows, (CSqliteDB::Rows{{"a"}, {"c"}}));
    db_.close();
    EXPECT_TRUE(select("SELECT NAME FROM T").empty());
}

TEST_F(CSqliteDBTest, StepWithStoresNumbersAsIntegersAndKeepsNoTextBehind) {
    CSqliteDB::Statement insert;
    ASSERT_TRUE(db_.prepare(insert, "INSERT INTO T (NAME, N) VALUES (?, ?)"));
    {
        const std::string name = "quote ' and | bar";
        EXPECT_TRUE(db_.stepWith(insert.get(), {name, std::int64_t{-7}}));
    }  // the text is gone: the statement must not hold on to it
    EXPECT_TRUE(db_.stepWith(insert.get(), {}));
    ASSERT_TRUE(db_.query("SELECT NAME, typeof(N), N FROM T ORDER BY ID"));
    EXPECT_EQ(db_.resultRows(),
              (CSqliteDB::Rows{{"quote ' and | bar", "integer", "-7"}, {"", "null", ""}}));
    EXPECT_FALSE(db_.stepWith(nullptr, {"x"}));
}

TEST_F(CSqliteDBTest, InsertRowsOneAtATimeWritesViewsAndStopsAtTheFailingRow) {
    const std::vector<std::string> names = {"a", "b|c", "a", "d"};
    std::size_t asked = 0;
    const auto rowAt = [&](std::size_t i, std::vector<std::string_view>& fields) {
        ++asked;
        fields.push_back(names[i]);
    };
    EXPECT_TRUE(db_.insertRows("INSERT INTO T (NAME) VALUES (?)", 2, rowAt));
    EXPECT_EQ(select("SELECT NAME FROM T ORDER BY ID"), (Table{{"a"}, {"b|c"}}));
    ASSERT_TRUE(db_.execute("DELETE FROM T"));
    asked = 0;
    EXPECT_FALSE(db_.insertRows("INSERT INTO T (NAME) VALUES (?)", names.size(), rowAt));
    EXPECT_EQ(asked, 3u);  // the duplicate "a" fails; "d" is never asked for
    db_.close();
    EXPECT_TRUE(select("SELECT NAME FROM T").empty());
}
