// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "storage/CFileInfoDB.h"

// The file information database with one addition: a query whose rows are
// handed to the caller one by one as SQLite delivers them, instead of being
// collected in resultRows() first. A category refresh of a million files thus
// never holds the raw rows and the model built from them at the same time.
class CStreamingFileInfoDB : public CFileInfoDB {
public:
    // One delivered row; its texts live only during the sink's call.
    class RowView {
    public:
        RowView(int count, char** values) : count_(count), values_(values) {}
        int size() const { return count_; }
        // Column `column` (0 .. size() - 1); SQL NULL reads as "".
        std::string_view operator[](int column) const {
            const char* value = values_[column];
            return value != nullptr ? std::string_view(value) : std::string_view();
        }

    private:
        int count_;
        char** values_;
    };
    // Returns false to stop the query, which then fails.
    using RowSink = std::function<bool(const RowView&)>;

    using CFileInfoDB::CFileInfoDB;

    // Opens as CFileInfoDB does, then lets a statement that meets a write in
    // progress on another connection wait for it for up to kLockWaitMs
    // before failing: the window's background content check commits its
    // cache rows on a connection of its own while the window reads, and a
    // read that met such a commit (milliseconds) would otherwise fail and
    // leave a list empty. A lock held longer still fails the read.
    bool open() override;
    static constexpr int kLockWaitMs = 2000;

    // Runs `runQuery` (a call of one of this object's query operations, such
    // as queryAllFiles()) with every row it delivers going to `sink`; the
    // result rows stay empty. Returns the query's result: false also when the
    // sink stopped it or threw (the exception does not cross SQLite and is
    // not rethrown). Rows handed over before a failure stay handed over.
    [[nodiscard]] bool streamRows(const std::function<bool()>& runQuery, const RowSink& sink);

protected:
    int addResultRow(int count, char** values, char** names) override;

private:
    const RowSink* sink_ = nullptr;  // set only while streamRows runs
};
