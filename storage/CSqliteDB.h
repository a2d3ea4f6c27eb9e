// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// One connection to one SQLite database file. Operations answer true or
// false and keep the text of the last failure in errorText(); no busy handler
// is installed, so a statement that meets a lock held by another connection
// fails at once ("database is locked"). Texts are byte strings that go to
// SQLite and come back unchanged. An object is used by one thread at a time;
// several objects may be open on the same file, SQLite's file locking keeps
// them apart.
//
// "Guarded" operations below first set the error text to ""; while the
// wrapper is not open they set it to "DB not open." and fail without calling
// SQLite.
class CSqliteDB {
public:
    using Row = std::vector<std::string>;  // column texts in column order
    using Rows = std::list<Row>;

    // Owns a prepared statement; finalizes it when it goes.
    struct FinalizeStatement {
        void operator()(sqlite3_stmt* statement) const noexcept;
    };
    using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

    // `databasePath` is in program form (C:\...\FileInfo__.db); it is turned
    // into a native path only when the file is opened. Not open yet.
    explicit CSqliteDB(std::string databasePath);
    // Closes the connection as close() does.
    virtual ~CSqliteDB();
    CSqliteDB(const CSqliteDB&) = delete;
    CSqliteDB& operator=(const CSqliteDB&) = delete;

    // Opens the file read-write, creating it when missing. When already open:
    // true at once, nothing (error text included) changes. A path that names
    // no mapped drive, or a file SQLite cannot open, gives false with the
    // error text "无法打开数据库:" followed by the reason; the wrapper then
    // holds no connection.
    virtual bool open();
    // Closes the connection when there is one; the result rows stay. Every
    // statement obtained from prepare() must be finalized before.
    virtual void close();
    [[nodiscard]] bool isOpen() const noexcept { return connection_ != nullptr; }
    // True while a transaction begun on this connection is still open (after
    // a BEGIN, or a COMMIT that failed and may be retried).
    [[nodiscard]] bool inTransaction() const noexcept;
    const std::string& databasePath() const noexcept { return databasePath_; }

    // Guarded. Runs statements that deliver no rows. On success lastInsertId()
    // becomes the rowid of the last insert this connection ever made ("0" when
    // none); on failure it is "" and the error text is SQLite's message.
    [[nodiscard]] bool execute(const std::string& sql);

    // Guarded. Clears the result rows, then appends every row the statement
    // delivers, in SQLite's order; a NULL column arrives as "". On failure the
    // error text is SQLite's message and rows delivered before it stay.
    // lastInsertId() is not touched.
    [[nodiscard]] bool query(const std::string& sql);

    // The rows of the last query(), kept until the next query() or
    // clearResult(). Callers may read them, consume them from the front, or
    // take them over with takeResultRows() (which leaves the list empty).
    const Rows& resultRows() const noexcept { return resultRows_; }
    Rows& resultRows() noexcept { return resultRows_; }
    Rows takeResultRows();
    virtual void clearResult();

    // Appends the first column of every result row that has one to `out`,
    // behind what `out` holds; the result rows stay.
    void collectFirstColumn(std::vector<std::string>& out) const;

    // Guarded. True when "SELECT * FROM " + name prepares, that is when the
    // table (or view) exists, empty or not. Nothing is stepped.
    [[nodiscard]] bool tableExists(const std::string& name);

    // Guarded. Prepares `sql` into `out` (replacing what it held). On failure
    // `out` is empty and the error text stays "".
    [[nodiscard]] bool prepare(Statement& out, const std::string& sql);

    // Binds `values` as texts to parameters 1, 2, ... (SQLite copies them; the
    // declared column types decide how they are stored), steps once and
    // resets the statement. True only when the step completed (SQLITE_DONE);
    // lastInsertId() is then updated as in execute(). A null statement fails
    // without calling SQLite. Bindings are not cleared. Error text untouched.
    [[nodiscard]] bool bindAndStep(sqlite3_stmt* statement, const std::vector<std::string>& values);

    // One parameter value of stepWith(): a text, or an integer. Implicit, so
    // that a call lists its values as they are.
    struct Value {
        Value(std::string_view value) : text(value) {}                // NOLINT(*-explicit-*)
        Value(const std::string& value) : text(value) {}              // NOLINT(*-explicit-*)
        Value(const char* value) : text(value) {}                     // NOLINT(*-explicit-*)
        Value(std::int64_t value) : number(value), isNumber(true) {}  // NOLINT(*-explicit-*)
        std::string_view text;
        std::int64_t number = 0;
        bool isNumber = false;
    };
    // bindAndStep for the writes made once per file: the values are bound
    // without a copy (they need only live through the call), numbers as
    // integers, and the bindings are cleared again after the step.
    // lastInsertId() is not touched.
    [[nodiscard]] bool stepWith(sqlite3_stmt* statement, std::initializer_list<Value> values);

    // Guarded. Prepares, steps once and finalizes `sql`; true when the step
    // completed. The error text stays "" on failure.
    [[nodiscard]] bool executeOnce(const std::string& sql);

    // Writes `rows` through the parameterised statement `sql` inside one
    // transaction (BEGIN TRANSACTION ... COMMIT), consuming the list from the
    // front as rows are written. When a row fails, false: that row and every
    // row behind it stay in `rows`, and the transaction is left open, so
    // nothing of the batch is committed unless the caller commits it (closing
    // the connection discards it). An empty list runs BEGIN and COMMIT and
    // gives COMMIT's outcome. lastInsertId() is not touched.
    [[nodiscard]] bool insertRows(const std::string& sql, Rows& rows);
    // insertRows for rows made one at a time, without a list of copies:
    // `rowAt(i, fields)` sets the texts of row i (i = 0 .. count - 1) as
    // views that live through the call. The same transaction, bindings and
    // failure as above; the rows from the failed one on are not written.
    [[nodiscard]] bool insertRows(
        const std::string& sql, std::size_t count,
        const std::function<void(std::size_t, std::vector<std::string_view>&)>& rowAt);

    // Decimal text of the last insert rowid; "" at construction.
    const std::string& lastInsertId() const noexcept { return lastInsertId_; }
    const std::string& errorText() const noexcept { return errorText_; }

protected:
    // Receives one row of query(): `count` column texts (null for SQL NULL)
    // and their names. Appends the texts as a row and returns 0 to go on;
    // a non-zero result stops the query.
    virtual int addResultRow(int count, char** values, char** names);

private:
    struct CloseConnection {
        void operator()(sqlite3* connection) const noexcept;
    };

    static int deliverRow(void* self, int count, char** values, char** names) noexcept;
    [[nodiscard]] bool runExec(const std::string& sql, bool collectRows);
    void recordLastInsertId();
    // Guard of the operations above: false, with "DB not open.", when closed.
    [[nodiscard]] bool beginGuarded();

    Rows resultRows_;
    std::string errorText_;
    const std::string databasePath_;
    std::unique_ptr<sqlite3, CloseConnection> connection_;
    std::string lastInsertId_;
};
