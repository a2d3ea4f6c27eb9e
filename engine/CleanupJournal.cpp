// SPDX-License-Identifier: MIT
#include "engine/CleanupJournal.h"

#include <cstdlib>

#include "engine/GroupCheck.h"

namespace {

const char* const kCreate =
    "CREATE TABLE IF NOT EXISTS LANBROOK_CLEANUP (ID INTEGER PRIMARY KEY, RUN INTEGER NOT NULL, "
    "ORIGINAL TEXT NOT NULL, MASK TEXT NOT NULL, FTIME INTEGER NOT NULL, TRASHED TEXT NOT NULL, "
    "INFO TEXT NOT NULL)";
const char* const kInsert =
    "INSERT INTO LANBROOK_CLEANUP (RUN, ORIGINAL, MASK, FTIME, TRASHED, INFO) "
    "VALUES (?, ?, ?, ?, ?, ?)";

std::int64_t number(const std::string& text) {
    return std::strtoll(text.c_str(), nullptr, 10);
}

}  // namespace

bool CleanupJournal::failed() {
    error_ = database_.errorText().empty() ? "the database refused the statement"
                                           : database_.errorText();
    return false;
}

bool CleanupJournal::rolledBack() {
    (void)failed();
    const std::string reason = error_;
    (void)database_.execute("ROLLBACK TO cleanup_record");
    (void)database_.execute("RELEASE cleanup_record");
    error_ = reason;
    return false;
}

bool CleanupJournal::ensureTable() {
    if (!database_.execute(kCreate)) return failed();
    return true;
}

bool CleanupJournal::begin() {
    recorded_ = false;
    if (!ensureTable() ||
        !database_.query("SELECT COALESCE(MAX(RUN), 0) + 1 FROM " + std::string(kTable)))
        return failed();
    run_ = database_.resultRows().empty() ? 1 : number(database_.resultRows().front().at(0));
    database_.clearResult();
    return true;
}

bool CleanupJournal::record(const CheckedFile& file, const std::string& mask,
                            const platform::TrashedItem& trashed) {
    if (!insert_ && (!ensureTable() || !database_.prepare(insert_, kInsert))) return failed();
    // The first file of a clean-up replaces the last one, both or neither
    // (a savepoint nests in the caller's transaction, if there is one).
    const bool first = !recorded_;
    if (first && !database_.execute("SAVEPOINT cleanup_record")) return failed();
    if (first &&
        !database_.execute("DELETE FROM LANBROOK_CLEANUP WHERE RUN <> " + std::to_string(run_)))
        return rolledBack();
    if (!database_.stepWith(insert_.get(), {run_, file.path(), mask, std::int64_t(file.rowTime),
                                            trashed.trashedPath, trashed.infoPath}))
        return first ? rolledBack() : failed();
    if (first && !database_.execute("RELEASE cleanup_record")) return rolledBack();
    recorded_ = true;
    return true;
}

bool CleanupJournal::lastRun(std::vector<Entry>& entries) {
    entries.clear();
    if (!ensureTable() ||
        !database_.query("SELECT ID, RUN, ORIGINAL, MASK, FTIME, TRASHED, INFO FROM "
                         "LANBROOK_CLEANUP WHERE RUN = (SELECT MAX(RUN) FROM LANBROOK_CLEANUP) "
                         "ORDER BY ID"))
        return failed();
    for (const CSqliteDB::Row& row : database_.resultRows()) {
        if (row.size() != 7) continue;
        Entry entry;
        entry.id = number(row[0]);
        entry.run = number(row[1]);
        entry.trashed.originalPath = row[2];
        entry.mask = row[3];
        entry.rowTime = number(row[4]);
        entry.trashed.trashedPath = row[5];
        entry.trashed.infoPath = row[6];
        entries.push_back(std::move(entry));
    }
    database_.clearResult();
    return true;
}

bool CleanupJournal::forget(const Entry& entry) {
    if (!database_.execute("DELETE FROM LANBROOK_CLEANUP WHERE ID = " + std::to_string(entry.id)))
        return failed();
    return true;
}
