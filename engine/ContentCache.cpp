// SPDX-License-Identifier: MIT
#include "engine/ContentCache.h"

#include <sqlite3.h>

#include <chrono>
#include <utility>

namespace {

const char* const kCreateTable =
    "CREATE TABLE IF NOT EXISTS CONTENT_HASH (FOLDERID INTEGER NOT NULL,FNAME VARCHAR(256) NOT "
    "NULL,FTIME INTEGER NOT NULL,MASK CHAR(80) NOT NULL,LENGTH INTEGER NOT NULL,HASH CHAR(32) NOT "
    "NULL,ENDS CHAR(32) NOT NULL,PRIMARY KEY (FOLDERID,FNAME)) WITHOUT ROWID";
// Rows of files gone from the file table. (A row whose file row has another
// FTIME or MASK now is replaced when the file is hashed again; one row per
// file row at most either way.) Only the file table's unique index is read.
const char* const kPrune =
    "DELETE FROM CONTENT_HASH WHERE NOT EXISTS (SELECT 1 FROM FILEINFO_FIF F WHERE F.FOLDERID = "
    "CONTENT_HASH.FOLDERID AND F.FNAME = CONTENT_HASH.FNAME)";
const char* const kAllFiles =
    "SELECT B.MASK, B.FOLDERID, A.FNAME, B.FNAME, B.FTIME, C.FTIME, C.MASK, C.LENGTH, C.HASH, "
    "C.ENDS FROM "
    "FILEINFO_FIF B JOIN FILEINFO_DIF A ON A.ID = B.FOLDERID LEFT JOIN CONTENT_HASH C ON "
    "C.FOLDERID = B.FOLDERID AND C.FNAME = B.FNAME";
const char* const kLookup =
    "SELECT FTIME, MASK, LENGTH, HASH, ENDS FROM CONTENT_HASH WHERE FOLDERID = ? AND FNAME = ?";
const char* const kStore =
    "INSERT OR REPLACE INTO CONTENT_HASH (FOLDERID, FNAME, FTIME, MASK, LENGTH, HASH, ENDS) "
    "VALUES (?,?,?,?,?,?,?)";
const char* const kForget = "DELETE FROM CONTENT_HASH WHERE FOLDERID = ? AND FNAME = ?";

constexpr int kBusyTimeoutMs = 3000;
constexpr std::size_t kBatchRows = 4096;
constexpr std::int64_t kBatchWaitMs = 2000;

std::int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

const char* columnText(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    return text != nullptr ? reinterpret_cast<const char*>(text) : "";
}

std::string columnString(sqlite3_stmt* statement, int column) {
    return std::string(columnText(statement, column),
                       static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
}

void bindText(sqlite3_stmt* statement, int index, const std::string& text) {
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
}

}  // namespace

ContentCache::ContentCache(std::string databasePath) : database_(std::move(databasePath)) {}

ContentCache::~ContentCache() {
    (void)flush();
}

bool ContentCache::fail() {
    errorText_ = database_.errorText();
    return false;
}

bool ContentCache::open() {
    if (!database_.open()) return fail();
    // Waits on a lock of the analysis instead of failing at once; on this
    // connection only.
    // The cache is written as the file tables are, without waiting for the
    // disk: a lost row costs one read of a file again.
    if (!database_.execute("PRAGMA busy_timeout = " + std::to_string(kBusyTimeoutMs)) ||
        !database_.execute("PRAGMA synchronous = OFF") || !database_.execute(kCreateTable))
        return fail();
    if (database_.tableExists("FILEINFO_FIF") && !database_.execute(kPrune)) return fail();
    return true;
}

bool ContentCache::forEachFile(const std::function<bool(std::string_view mask)>& wanted,
                               const std::function<void(const FileRow&)>& onRow) {
    CSqliteDB::Statement statement;
    if (!database_.prepare(statement, kAllFiles)) {
        errorText_ = "cannot read the file table";
        return false;
    }
    Entry entry;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        sqlite3_stmt* s = statement.get();
        if (!wanted(std::string_view(columnText(s, 0),
                                     static_cast<std::size_t>(sqlite3_column_bytes(s, 0)))))
            continue;
        const bool cached = sqlite3_column_type(s, 8) != SQLITE_NULL;
        if (cached) {
            entry.rowTime = sqlite3_column_int64(s, 5);
            entry.mask = columnString(s, 6);
            entry.length = static_cast<std::uint64_t>(sqlite3_column_int64(s, 7));
            entry.hash = columnString(s, 8);
            entry.ends = columnString(s, 9);
        }
        const FileRow row{columnText(s, 0), columnText(s, 1),           columnText(s, 2),
                          columnText(s, 3), sqlite3_column_int64(s, 4), cached ? &entry : nullptr};
        onRow(row);
    }
    if (step != SQLITE_DONE) errorText_ = "cannot read the file table";
    return step == SQLITE_DONE;
}

bool ContentCache::lookup(const std::string& folderId, const std::string& name, Entry& out) {
    CSqliteDB::Statement statement;
    if (!database_.prepare(statement, kLookup)) return false;
    bindText(statement.get(), 1, folderId);
    bindText(statement.get(), 2, name);
    if (sqlite3_step(statement.get()) != SQLITE_ROW) return false;
    out.rowTime = sqlite3_column_int64(statement.get(), 0);
    out.mask = columnString(statement.get(), 1);
    out.length = static_cast<std::uint64_t>(sqlite3_column_int64(statement.get(), 2));
    out.hash = columnString(statement.get(), 3);
    out.ends = columnString(statement.get(), 4);
    return true;
}

void ContentCache::store(const std::string& folderId, const std::string& name, const Entry& entry) {
    if (pending_.empty()) oldestPending_ = nowMs();
    pending_.push_back({folderId, name, std::to_string(entry.rowTime), entry.mask,
                        std::to_string(entry.length), entry.hash, entry.ends});
}

void ContentCache::flushIfDue() {
    if (pending_.size() >= kBatchRows ||
        (!pending_.empty() && nowMs() - oldestPending_ >= kBatchWaitMs))
        (void)flush();
}

bool ContentCache::flush() {
    if (pending_.empty() || !database_.isOpen()) return true;
    if (database_.insertRows(kStore, pending_)) return true;
    // Nothing of the batch is kept: the hashes are made again next time.
    errorText_ = database_.errorText();
    if (database_.inTransaction()) (void)database_.execute("ROLLBACK");
    pending_.clear();
    return false;
}

bool ContentCache::forget(const std::string& folderId, const std::string& name) {
    if (!flush()) return false;  // a queued hash of the file must not come back
    CSqliteDB::Statement statement;
    if (!database_.prepare(statement, kForget)) return fail();
    return database_.bindAndStep(statement.get(), {folderId, name}) || fail();
}
