// SPDX-License-Identifier: MIT
#include "storage/CSqliteDB.h"

#include <sqlite3.h>

#include <utility>

#include "util/platform/FileSystem.h"

namespace {
const char* const kNotOpen = "DB not open.";
const char* const kCannotOpen = "无法打开数据库:";

// Binds every value as text to parameters 1, 2, ...; a value that does not
// fit a parameter is dropped by SQLite, which is what a bind result would say.
void bindTexts(sqlite3_stmt* statement, const std::vector<std::string>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        // SQLITE_TRANSIENT: SQLite copies the text now, so the caller's
        // strings may go away before the step.
        sqlite3_bind_text(statement, static_cast<int>(i) + 1, values[i].data(),
                          static_cast<int>(values[i].size()), SQLITE_TRANSIENT);
    }
}

// SQLite's memory statistics take a global lock on every allocation; the
// program never reads them. Set once, before the first connection opens
// (SQLite refuses it, harmlessly, once it is initialised).
void configureSqliteOnce() {
    static const int configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    (void)configured;
}

// Prepares `sql` (its whole length, terminating NUL included) into `out`.
bool prepareInto(sqlite3* connection, CSqliteDB::Statement& out, const std::string& sql) {
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(connection, sql.c_str(), static_cast<int>(sql.size()) + 1,
                                      &raw, nullptr);
    out.reset(raw);  // owned even when preparing failed
    if (rc != SQLITE_OK) out.reset();
    return rc == SQLITE_OK && out != nullptr;
}
}  // namespace

void CSqliteDB::FinalizeStatement::operator()(sqlite3_stmt* statement) const noexcept {
    sqlite3_finalize(statement);
}

void CSqliteDB::CloseConnection::operator()(sqlite3* connection) const noexcept {
    sqlite3_close(connection);
}

CSqliteDB::CSqliteDB(std::string databasePath) : databasePath_(std::move(databasePath)) {}

CSqliteDB::~CSqliteDB() {
    connection_.reset();
}

bool CSqliteDB::open() {
    if (connection_) return true;
    errorText_.clear();
    const std::string native = platform::toNativePath(databasePath_);
    if (native.empty()) {
        errorText_ = std::string(kCannotOpen) + "no mapped drive holds " + databasePath_;
        return false;
    }
    configureSqliteOnce();
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open(native.c_str(), &raw);
    std::unique_ptr<sqlite3, CloseConnection> opened(raw);  // owned even when opening failed
    if (rc != SQLITE_OK) {
        errorText_ = std::string(kCannotOpen) + sqlite3_errmsg(opened.get());
        return false;  // the failed handle is released here, the wrapper stays closed
    }
    connection_ = std::move(opened);
    return true;
}

void CSqliteDB::close() {
    connection_.reset();
}

bool CSqliteDB::inTransaction() const noexcept {
    return connection_ && sqlite3_get_autocommit(connection_.get()) == 0;
}

bool CSqliteDB::beginGuarded() {
    errorText_.clear();
    if (connection_) return true;
    errorText_ = kNotOpen;
    return false;
}

bool CSqliteDB::execute(const std::string& sql) {
    if (!beginGuarded()) return false;
    lastInsertId_.clear();
    if (!runExec(sql, false)) return false;
    recordLastInsertId();
    return true;
}

bool CSqliteDB::query(const std::string& sql) {
    if (!beginGuarded()) return false;
    clearResult();
    return runExec(sql, true);
}

bool CSqliteDB::runExec(const std::string& sql, bool collectRows) {
    char* message = nullptr;
    const int rc = sqlite3_exec(connection_.get(), sql.c_str(), collectRows ? &deliverRow : nullptr,
                                this, &message);
    if (rc == SQLITE_OK) return true;
    // SQLite gives no message on some failures (exhausted memory, misuse);
    // the connection's own error text then says what happened.
    errorText_ = message != nullptr ? message : sqlite3_errmsg(connection_.get());
    sqlite3_free(message);
    return false;
}

int CSqliteDB::deliverRow(void* self, int count, char** values, char** names) noexcept {
    // No exception may cross SQLite's C frames: a row that cannot be stored
    // stops the query, which then fails.
    try {
        return static_cast<CSqliteDB*>(self)->addResultRow(count, values, names);
    } catch (...) {
        return 1;
    }
}

int CSqliteDB::addResultRow(int count, char** values, char** /*names*/) {
    Row row;
    row.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) row.emplace_back(values[i] != nullptr ? values[i] : "");
    resultRows_.push_back(std::move(row));
    return 0;
}

void CSqliteDB::clearResult() {
    resultRows_.clear();
}

CSqliteDB::Rows CSqliteDB::takeResultRows() {
    Rows taken;
    taken.swap(resultRows_);
    return taken;
}

void CSqliteDB::collectFirstColumn(std::vector<std::string>& out) const {
    for (const Row& row : resultRows_) {
        if (!row.empty()) out.push_back(row.front());
    }
}

bool CSqliteDB::tableExists(const std::string& name) {
    Statement probe;
    return prepare(probe, "SELECT * FROM " + name);
}

bool CSqliteDB::prepare(Statement& out, const std::string& sql) {
    out.reset();
    if (!beginGuarded()) return false;
    return prepareInto(connection_.get(), out, sql);
}

bool CSqliteDB::bindAndStep(sqlite3_stmt* statement, const std::vector<std::string>& values) {
    if (statement == nullptr) return false;
    bindTexts(statement, values);
    const bool done = sqlite3_step(statement) == SQLITE_DONE;
    if (done) recordLastInsertId();
    sqlite3_reset(statement);
    return done;
}

bool CSqliteDB::stepWith(sqlite3_stmt* statement, std::initializer_list<Value> values) {
    if (statement == nullptr) return false;
    int index = 0;
    for (const Value& value : values) {
        ++index;
        if (value.isNumber)
            sqlite3_bind_int64(statement, index, value.number);
        else
            sqlite3_bind_text(statement, index, value.text.data(),
                              static_cast<int>(value.text.size()), SQLITE_STATIC);
    }
    const bool done = sqlite3_step(statement) == SQLITE_DONE;
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);  // no pointer to the caller's texts stays behind
    return done;
}

bool CSqliteDB::executeOnce(const std::string& sql) {
    Statement statement;
    if (!prepare(statement, sql)) return false;
    return sqlite3_step(statement.get()) == SQLITE_DONE;
}

bool CSqliteDB::insertRows(const std::string& sql, Rows& rows) {
    if (!executeOnce("BEGIN TRANSACTION")) return false;
    Statement statement;
    if (!prepareInto(connection_.get(), statement, sql)) return false;
    while (!rows.empty()) {
        bindTexts(statement.get(), rows.front());
        if (sqlite3_step(statement.get()) != SQLITE_DONE) return false;
        sqlite3_reset(statement.get());
        rows.pop_front();
    }
    statement.reset();
    return executeOnce("COMMIT");
}

bool CSqliteDB::insertRows(
    const std::string& sql, std::size_t count,
    const std::function<void(std::size_t, std::vector<std::string_view>&)>& rowAt) {
    if (!executeOnce("BEGIN TRANSACTION")) return false;
    Statement statement;
    if (!prepareInto(connection_.get(), statement, sql)) return false;
    std::vector<std::string_view> fields;
    for (std::size_t i = 0; i < count; ++i) {
        fields.clear();
        rowAt(i, fields);
        // SQLITE_STATIC: the texts live until the statement goes, below.
        for (std::size_t f = 0; f < fields.size(); ++f)
            sqlite3_bind_text(statement.get(), static_cast<int>(f) + 1, fields[f].data(),
                              static_cast<int>(fields[f].size()), SQLITE_STATIC);
        if (sqlite3_step(statement.get()) != SQLITE_DONE) return false;
        sqlite3_reset(statement.get());
    }
    statement.reset();
    return executeOnce("COMMIT");
}

void CSqliteDB::recordLastInsertId() {
    lastInsertId_ = std::to_string(sqlite3_last_insert_rowid(connection_.get()));
}
