// SPDX-License-Identifier: MIT
#include "engine/ContentCache.h"

#include <sqlite3.h>

#include <chrono>
#include <thread>
#include <utility>

namespace {

// The identity and fine times are nullable: the columns added to a table of
// an earlier layout hold NULL, which describes no file.
const char* const kCreateTable =
    "CREATE TABLE IF NOT EXISTS CONTENT_HASH (FOLDERID INTEGER NOT NULL,FNAME VARCHAR(256) NOT "
    "NULL,FTIME INTEGER NOT NULL,MASK CHAR(80) NOT NULL,LENGTH INTEGER NOT NULL,HASH CHAR(32) NOT "
    "NULL,ENDS CHAR(32) NOT NULL,DEVICE INTEGER,FILENUMBER INTEGER,MTIME_NS INTEGER,CTIME_NS "
    "INTEGER,PRIMARY KEY (FOLDERID,FNAME)) WITHOUT ROWID";
const char* const kVersionColumns[] = {"DEVICE", "FILENUMBER", "MTIME_NS", "CTIME_NS"};
const char* const kCreateState =
    "CREATE TABLE IF NOT EXISTS CONTENT_HASH_STATE (NAME TEXT PRIMARY KEY, VALUE INTEGER NOT "
    "NULL)";
const char* const kCountVersionColumns =
    "SELECT COUNT(*) FROM pragma_table_info('CONTENT_HASH') WHERE name IN ('DEVICE', "
    "'FILENUMBER', 'MTIME_NS', 'CTIME_NS')";
const char* const kCountStateTable =
    "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = 'CONTENT_HASH_STATE'";

const char* const kFilesGeneration = "SELECT VALUE FROM LANBROOK_GENERATION WHERE NAME = 'FILES'";
const char* const kPrunedGeneration = "SELECT VALUE FROM CONTENT_HASH_STATE WHERE NAME = 'PRUNED'";
const char* const kRecordPruned =
    "INSERT OR REPLACE INTO CONTENT_HASH_STATE (NAME, VALUE) SELECT 'PRUNED', VALUE FROM "
    "LANBROOK_GENERATION WHERE NAME = 'FILES'";
// Rows of files gone from the file table. (A row whose file row has another
// FTIME or MASK now is replaced when the file is hashed again; one row per
// file row at most either way.) Only the file table's unique index is read.
const char* const kPrune =
    "DELETE FROM CONTENT_HASH WHERE NOT EXISTS (SELECT 1 FROM FILEINFO_FIF F WHERE F.FOLDERID = "
    "CONTENT_HASH.FOLDERID AND F.FNAME = CONTENT_HASH.FNAME)";

// The file rows wanted, with their folder and cache rows. LANBROOK_WANTED
// asks the caller about each file row before its folder and cache rows are
// joined, so the rows not wanted cost no lookup.
const char* const kWantedFiles =
    "SELECT B.MASK, B.FOLDERID, A.FNAME, B.FNAME, B.FTIME, C.FTIME, C.MASK, C.LENGTH, C.HASH, "
    "C.ENDS, C.DEVICE, C.FILENUMBER, C.MTIME_NS, C.CTIME_NS FROM FILEINFO_FIF B JOIN "
    "FILEINFO_DIF A ON A.ID = B.FOLDERID LEFT JOIN CONTENT_HASH C ON C.FOLDERID = B.FOLDERID AND "
    "C.FNAME = B.FNAME WHERE LANBROOK_WANTED(B.MASK)";
const char* const kWantedFunction = "LANBROOK_WANTED";
constexpr int kWantedEntry = 5;  // the first column of the cache row
const char* const kLookup =
    "SELECT FTIME, MASK, LENGTH, HASH, ENDS, DEVICE, FILENUMBER, MTIME_NS, CTIME_NS FROM "
    "CONTENT_HASH WHERE FOLDERID = ? AND FNAME = ?";
const char* const kStore =
    "INSERT OR REPLACE INTO CONTENT_HASH (FOLDERID, FNAME, FTIME, MASK, LENGTH, HASH, ENDS, "
    "DEVICE, FILENUMBER, MTIME_NS, CTIME_NS) VALUES (?,?,?,?,?,?,?,?,?,?,?)";
const char* const kForget = "DELETE FROM CONTENT_HASH WHERE FOLDERID = ? AND FNAME = ?";

constexpr std::int64_t kLockWaitMs = 3000;
constexpr int kLockPollMs = 5;            // how often a wait for a lock looks at the stop
constexpr int kProgressSteps = 1000;      // virtual machine steps between two looks at the stop
constexpr std::int64_t kReadSpanMs = 20;  // longest hold of a read lock by lookups
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

std::string_view columnView(sqlite3_stmt* statement, int column) {
    const char* text = columnText(statement, column);
    return std::string_view(text,
                            static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
}

int digitValue(char digit) {
    if (digit >= '0' && digit <= '9') return digit - '0';
    if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
    if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
    return -1;
}

// Reads the cache row whose FTIME is column `first`, in the order of kLookup,
// for a file row whose MASK is `rowMask`.
void readEntry(sqlite3_stmt* s, int first, std::string_view rowMask, ContentCache::Entry& entry) {
    entry.rowTime = sqlite3_column_int64(s, first);
    entry.sameMask = columnView(s, first + 1) == rowMask;
    entry.length = static_cast<std::uint64_t>(sqlite3_column_int64(s, first + 2));
    entry.hash.assign(columnView(s, first + 3));
    entry.ends.assign(columnView(s, first + 4));
    entry.versioned = true;
    for (int c = first + 5; c < first + 9; ++c)
        entry.versioned = entry.versioned && sqlite3_column_type(s, c) != SQLITE_NULL;
    // Identities are 64-bit patterns, stored as SQLite's signed integers.
    entry.identity.device = static_cast<std::uint64_t>(sqlite3_column_int64(s, first + 5));
    entry.identity.fileNumber = static_cast<std::uint64_t>(sqlite3_column_int64(s, first + 6));
    entry.modificationNanos = sqlite3_column_int64(s, first + 7);
    entry.changeNanos = sqlite3_column_int64(s, first + 8);
}

using Wanted = std::function<bool(std::string_view mask)>;

void callWanted(sqlite3_context* context, int, sqlite3_value** values) {
    const auto& wanted = *static_cast<const Wanted*>(sqlite3_user_data(context));
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(values[0]));
    const auto bytes = static_cast<std::size_t>(sqlite3_value_bytes(values[0]));
    sqlite3_result_int(context, text != nullptr && wanted(std::string_view(text, bytes)) ? 1 : 0);
}

}  // namespace

void ContentCache::Entry::setFile(const platform::FileStatus& status) {
    length = status.length;
    identity = status.identity;
    modificationNanos = status.modificationNanos;
    changeNanos = status.changeNanos;
    versioned = true;
}

void ContentCache::Digest::assign(std::string_view digits) {
    known = digits.size() == 2 * bytes.size();
    for (std::size_t i = 0; known && i < bytes.size(); ++i) {
        const int high = digitValue(digits[2 * i]);
        const int low = digitValue(digits[2 * i + 1]);
        known = high >= 0 && low >= 0;
        bytes[i] = static_cast<unsigned char>(high * 16 + low);
    }
}

std::string ContentCache::Digest::text() const {
    if (!known) return {};
    static const char kDigits[] = "0123456789abcdef";
    std::string digits(2 * bytes.size(), '0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        digits[2 * i] = kDigits[bytes[i] >> 4];
        digits[2 * i + 1] = kDigits[bytes[i] & 0x0f];
    }
    return digits;
}

bool ContentCache::Entry::describes(std::int64_t fileRowTime,
                                    const platform::FileStatus& status) const {
    return versioned && sameMask && rowTime == fileRowTime && length == status.length &&
           identity == status.identity && modificationNanos == status.modificationNanos &&
           changeNanos == status.changeNanos;
}

ContentCache::ContentCache(std::string databasePath) : database_(std::move(databasePath)) {}

ContentCache::~ContentCache() {
    (void)flush();
    std::lock_guard<std::mutex> lock(handleMutex_);
    handle_ = nullptr;  // closed with database_ right after
}

bool ContentCache::fail() {
    errorText_ = stopping_.load() ? "stopped" : database_.errorText();
    if (errorText_.empty() && database_.isOpen()) {
        std::lock_guard<std::mutex> lock(handleMutex_);
        if (handle_ != nullptr) errorText_ = sqlite3_errmsg(handle_);
    }
    return false;
}

void ContentCache::interrupt() {
    stopping_ = true;
    std::lock_guard<std::mutex> lock(handleMutex_);
    if (handle_ != nullptr) sqlite3_interrupt(handle_);
}

int ContentCache::waitForLock(void* self, int attempt) {
    auto* cache = static_cast<ContentCache*>(self);
    const std::int64_t now = nowMs();
    if (attempt == 0) cache->lockWaitSince_ = now;
    if (cache->stopping_.load() || now - cache->lockWaitSince_ >= kLockWaitMs) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(kLockPollMs));
    return cache->stopping_.load() ? 0 : 1;
}

int ContentCache::checkProgress(void* self) {
    const auto* cache = static_cast<const ContentCache*>(self);
    // Closes the gap sqlite3_interrupt leaves: a statement started just
    // after it is cut short here.
    return cache->stopping_.load() && !cache->flushing_ ? 1 : 0;
}

bool ContentCache::open() {
    if (stopping_.load()) return fail();
    if (!database_.open()) return fail();
    {
        // The connection itself, for the handlers and for interrupt().
        CSqliteDB::Statement any;
        if (!database_.prepare(any, "SELECT 1")) return fail();
        std::lock_guard<std::mutex> lock(handleMutex_);
        handle_ = sqlite3_db_handle(any.get());
    }
    // Waits on a lock of the analysis instead of failing at once, on this
    // connection only, and gives up the wait when interrupted.
    sqlite3_busy_handler(handle_, &ContentCache::waitForLock, this);
    sqlite3_progress_handler(handle_, kProgressSteps, &ContentCache::checkProgress, this);
    // The cache is written as the file tables are, without waiting for the
    // disk: a lost row costs one read of a file again.
    // The check looks up cache rows in no useful order: a page cache of
    // 16 MiB holds those of a large tree.
    if (!database_.execute("PRAGMA synchronous = OFF") ||
        !database_.execute("PRAGMA cache_size = -16384") || !prepareTables())
        return fail();
    pruneIfDue();
    return !stopping_.load() || fail();
}

bool ContentCache::missingColumns(bool& missing) {
    std::int64_t columns = 0;
    std::int64_t stateTables = 0;
    if (!readNumber(kCountVersionColumns, columns) || !readNumber(kCountStateTable, stateTables))
        return false;
    missing = columns != 4 || stateTables != 1;
    return true;
}

bool ContentCache::prepareTables() {
    // Read first: a database that has the tables is not written to (and no
    // lock of another program is waited for).
    bool missing = true;
    if (!missingColumns(missing)) return false;
    if (!missing) return true;
    if (!database_.execute("BEGIN IMMEDIATE")) return false;
    // A table of an earlier layout gets the columns, NULL in its rows.
    bool made = database_.execute(kCreateTable) && database_.execute(kCreateState) &&
                database_.query("SELECT name FROM pragma_table_info('CONTENT_HASH')");
    std::vector<std::string> present;
    database_.collectFirstColumn(present);
    database_.clearResult();
    for (const char* column : kVersionColumns) {
        bool found = false;
        for (const std::string& name : present) found = found || name == column;
        if (made && !found)
            made = database_.execute(std::string("ALTER TABLE CONTENT_HASH ADD COLUMN ") + column +
                                     " INTEGER");
    }
    if (made && database_.execute("COMMIT")) return true;
    const std::string reason = database_.errorText();
    if (database_.inTransaction()) (void)database_.execute("ROLLBACK");
    errorText_ = reason;
    return false;
}

bool ContentCache::readNumber(const char* sql, std::int64_t& out) {
    CSqliteDB::Statement statement;
    if (!database_.prepare(statement, sql)) return false;
    if (sqlite3_step(statement.get()) != SQLITE_ROW) return false;
    out = sqlite3_column_int64(statement.get(), 0);
    return true;
}

void ContentCache::pruneIfDue() {
    pruned_ = false;
    pruneError_.clear();
    if (!database_.tableExists("FILEINFO_FIF")) return;
    // Without the change counter (a database no program of this version
    // opened) every open prunes.
    std::int64_t generation = -1;
    std::int64_t last = -1;
    const bool counted =
        database_.tableExists("LANBROOK_GENERATION") && readNumber(kFilesGeneration, generation);
    if (counted && readNumber(kPrunedGeneration, last) && last == generation) return;
    // The generation recorded is read inside the transaction, so a change
    // made after the pruning always leads to another one.
    const bool done = database_.execute("BEGIN IMMEDIATE") && database_.execute(kPrune) &&
                      (!counted || database_.execute(kRecordPruned)) && database_.execute("COMMIT");
    if (done) {
        pruned_ = true;
        return;
    }
    pruneError_ = stopping_.load() ? "stopped" : database_.errorText();
    if (database_.inTransaction()) (void)database_.execute("ROLLBACK");
}

bool ContentCache::forEachFile(const std::function<bool(std::string_view mask)>& wanted,
                               const std::function<void(const FileRow&)>& onRow) {
    // The function is the connection's while the statement runs, and goes
    // with it (it points at `wanted`).
    if (sqlite3_create_function_v2(handle_, kWantedFunction, 1, SQLITE_UTF8,
                                   const_cast<Wanted*>(&wanted), &callWanted, nullptr, nullptr,
                                   nullptr) != SQLITE_OK)
        return fail();
    const bool read = readWantedFiles(onRow);
    (void)sqlite3_create_function_v2(handle_, kWantedFunction, 1, SQLITE_UTF8, nullptr, nullptr,
                                     nullptr, nullptr, nullptr);
    return read;
}

bool ContentCache::readWantedFiles(const std::function<void(const FileRow&)>& onRow) {
    CSqliteDB::Statement statement;
    if (!database_.prepare(statement, kWantedFiles)) {
        errorText_ = std::string("cannot read the file table: ") + sqlite3_errmsg(handle_);
        return false;
    }
    Entry entry;
    sqlite3_stmt* s = statement.get();
    int step = SQLITE_ROW;
    while (!stopping_.load(std::memory_order_relaxed) && (step = sqlite3_step(s)) == SQLITE_ROW) {
        const bool cached = sqlite3_column_type(s, kWantedEntry + 3) != SQLITE_NULL;
        if (cached) readEntry(s, kWantedEntry, columnView(s, 0), entry);
        const FileRow row{columnText(s, 0), columnText(s, 1),           columnText(s, 2),
                          columnText(s, 3), sqlite3_column_int64(s, 4), cached ? &entry : nullptr};
        onRow(row);
    }
    if (step == SQLITE_DONE && !stopping_.load()) return true;
    errorText_ = stopping_.load()
                     ? "stopped"
                     : std::string("cannot read the file table: ") + sqlite3_errmsg(handle_);
    return false;
}

bool ContentCache::lookup(const std::string& folderId, const std::string& name,
                          const std::string& mask, Entry& out) {
    // One statement for every lookup: a check looks up each file it meets.
    if (!lookup_ && !database_.prepare(lookup_, kLookup)) return false;
    // Lookups share a read transaction: each one alone would take and drop
    // the file lock and read the database header again.
    if (!reading_ && !database_.inTransaction() && database_.execute("BEGIN")) {
        reading_ = true;
        readSince_ = nowMs();
    }
    sqlite3_stmt* s = lookup_.get();
    sqlite3_bind_text(s, 1, folderId.data(), static_cast<int>(folderId.size()), SQLITE_STATIC);
    sqlite3_bind_text(s, 2, name.data(), static_cast<int>(name.size()), SQLITE_STATIC);
    const bool found = sqlite3_step(s) == SQLITE_ROW;
    if (found) readEntry(s, 0, mask, out);
    sqlite3_reset(s);
    sqlite3_clear_bindings(s);
    endReadIfDue();
    return found;
}

void ContentCache::endRead() {
    if (!reading_) return;
    reading_ = false;
    if (database_.inTransaction()) (void)database_.execute("COMMIT");
}

void ContentCache::endReadIfDue() {
    if (reading_ && nowMs() - readSince_ >= kReadSpanMs) endRead();
}

void ContentCache::store(const std::string& folderId, const std::string& name,
                         const std::string& mask, const Entry& entry) {
    if (pending_.empty()) oldestPending_ = nowMs();
    pending_.push_back({folderId, name, mask, entry});
}

void ContentCache::flushIfDue() {
    if (pending_.size() >= kBatchRows ||
        (!pending_.empty() && nowMs() - oldestPending_ >= kBatchWaitMs))
        (void)flush();
}

bool ContentCache::flush() {
    endRead();
    if (pending_.empty() || !database_.isOpen()) return true;
    flushing_ = true;
    const bool written = writePending();
    flushing_ = false;
    // Nothing of a failed batch is kept: the hashes are made again next time.
    if (!written) {
        (void)fail();
        if (database_.inTransaction()) (void)database_.execute("ROLLBACK");
    }
    pending_.clear();
    return written;
}

bool ContentCache::writePending() {
    if (!database_.execute("BEGIN IMMEDIATE")) return false;
    CSqliteDB::Statement statement;
    if (!database_.prepare(statement, kStore)) return false;
    for (const Pending& row : pending_) {
        const Entry& e = row.entry;
        const std::string hash = e.hash.text();
        const std::string ends = e.ends.text();
        if (!database_.stepWith(statement.get(), {row.folderId, row.name, e.rowTime, row.mask,
                                                  static_cast<std::int64_t>(e.length), hash, ends,
                                                  static_cast<std::int64_t>(e.identity.device),
                                                  static_cast<std::int64_t>(e.identity.fileNumber),
                                                  e.modificationNanos, e.changeNanos}))
            return false;
    }
    statement.reset();
    return database_.execute("COMMIT");
}

bool ContentCache::forget(const std::string& folderId, const std::string& name) {
    if (!flush()) return false;  // a queued hash of the file must not come back
    CSqliteDB::Statement statement;
    if (!database_.prepare(statement, kForget)) return fail();
    return database_.bindAndStep(statement.get(), {folderId, name}) || fail();
}
