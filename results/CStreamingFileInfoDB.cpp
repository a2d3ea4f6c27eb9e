// SPDX-License-Identifier: MIT
#include "results/CStreamingFileInfoDB.h"

bool CStreamingFileInfoDB::open() {
    if (isOpen()) return true;
    if (!CFileInfoDB::open()) return false;
    (void)execute("PRAGMA busy_timeout = " + std::to_string(kLockWaitMs));
    return true;
}

bool CStreamingFileInfoDB::streamRows(const std::function<bool()>& runQuery, const RowSink& sink) {
    // Restores the collecting mode however the query ends.
    struct Restore {
        const RowSink*& sink;
        ~Restore() { sink = nullptr; }
    } restore{sink_};
    sink_ = &sink;
    return runQuery();
}

int CStreamingFileInfoDB::addResultRow(int count, char** values, char** names) {
    if (sink_ == nullptr) return CFileInfoDB::addResultRow(count, values, names);
    // Non-zero stops sqlite3_exec; the wrapper turns a throw into the same.
    return (*sink_)(RowView(count, values)) ? 0 : 1;
}
