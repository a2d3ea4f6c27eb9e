// SPDX-License-Identifier: MIT
#include "engine/FileInfoAnalyse.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "engine/ConfigInfo.h"
#include "storage/CFileInfoDB.h"

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

const char* text(const char* value) {
    return value != nullptr ? value : "";
}

// A connection that hands each file row to the build as SQLite delivers it,
// instead of keeping every row: the whole file table never sits in memory.
class FileRowReader : public CFileInfoDB {
public:
    FileRowReader(std::string path, FileInfoAnalyse& build)
        : CFileInfoDB(std::move(path)), build_(build) {}

    // The rows of every file: (ID, MASK, FNAME) in ID order.
    bool readAll() {
        streaming_ = true;
        const bool read = query("SELECT ID, MASK, FNAME FROM FILEINFO_FIF");
        streaming_ = false;
        return read;
    }
    // The rows of the files under the scope's folders: (ID, MASK, FNAME, folder).
    bool readUnder(const AnalysisScope& scope) {
        scope_ = &scope;
        streaming_ = true;
        const bool read = queryFileRowsUnder(scope.roots());
        streaming_ = false;
        return read;
    }

protected:
    // Only the file rows reach the build; other queries keep their rows.
    int addResultRow(int count, char** values, char** names) override {
        if (!streaming_) return CFileInfoDB::addResultRow(count, values, names);
        if (count == 3) {
            build_.addRow(text(values[1]), text(values[2]));
        } else if (count == 4) {
            // Rows come folder by folder: the root is looked up once per folder.
            if (folder_ != text(values[3])) {
                folder_ = text(values[3]);
                root_ = scope_->rootOf(folder_);
            }
            build_.addRow(std::atoll(text(values[0])), text(values[1]), text(values[2]), root_);
        }
        return 0;
    }

private:
    FileInfoAnalyse& build_;
    const AnalysisScope* scope_ = nullptr;
    bool streaming_ = false;
    std::string folder_;
    int root_ = -1;
};

// A connection that compares the stored index with the entries a rewrite
// would store: row k (ID k) holds the entry k from the end, nothing more,
// and the table's sequence stands at the number of rows.
class IndexComparer : public CFileInfoDB {
public:
    IndexComparer(std::string path, const std::vector<std::string>& entries)
        : CFileInfoDB(std::move(path)), entries_(entries) {}

    bool holds() {
        if (!open() || !tableExists("FILEINFO_IDX")) return false;
        comparing_ = true;
        const bool read =
            query("SELECT ID, FTSIZE, FNUM, MASK, FNAME FROM FILEINFO_IDX ORDER BY ID");
        comparing_ = false;
        if (!read || !same_ || rowsSeen_ != entries_.size()) return false;
        if (!query("SELECT seq FROM sqlite_sequence WHERE name = 'FILEINFO_IDX'")) return false;
        const std::string expected = std::to_string(entries_.size());
        const bool sequenceAgrees =
            entries_.empty() ? resultRows().empty() || resultRows().front().at(0) == "0"
                             : !resultRows().empty() && resultRows().front().at(0) == expected;
        clearResult();
        return sequenceAgrees;
    }

protected:
    int addResultRow(int count, char** values, char** names) override {
        if (!comparing_) return CFileInfoDB::addResultRow(count, values, names);
        ++rowsSeen_;
        if (count != 5 || rowsSeen_ > entries_.size()) return mismatch();
        for (int i = 0; i < 5; ++i)
            if (values[i] == nullptr) return mismatch();
        if (std::to_string(rowsSeen_) != values[0]) return mismatch();
        const std::string stored = FileInfoAnalyse::formatEntry(
            std::atoll(values[1]), std::atoi(values[2]), values[3], values[4]);
        if (stored != entries_[entries_.size() - rowsSeen_]) return mismatch();
        return 0;
    }

private:
    int mismatch() {
        same_ = false;
        return 1;  // stops the query
    }

    const std::vector<std::string>& entries_;
    bool comparing_ = false;
    bool same_ = true;
    std::size_t rowsSeen_ = 0;
};

}  // namespace

bool FileInfoAnalyse::buildIndex() {
    FileRowReader database(ConfigInfo::global().getDatabasePath(), *this);
    (void)database.open();  // a connection that did not open makes the query fail
    if (!settleScope(database)) {
        database.close();
        return false;
    }
    // No file row changed since the index was built from them (for this
    // scope): a build would write the same rows, so none is read.
    if (database.indexIsCurrent()) {
        indexWritten_ = true;
        database.close();
        return true;
    }
    // The generation is read before the rows: a change made meanwhile leaves
    // it behind the rows, so the next run builds again rather than never.
    std::int64_t generation = -1;
    if (!database.fileGeneration(generation)) generation = -1;
    const bool read = scope_.coversEveryDrive() ? database.readAll() : database.readUnder(scope_);
    if (!read) {
        database.close();
        return false;
    }
    const std::vector<std::string> entries = takeSortedEntries();
    // An index that already holds exactly these rows (after a scan that
    // changed no file) is left as it is: rewriting it would give the same
    // table, at the cost of deleting and inserting every row.
    indexWritten_ =
        IndexComparer(database.databasePath(), entries).holds() || database.writeIndex(entries);
    // Recorded only after the index is in place: a run stopped in between
    // leaves the old record, and the next run builds again.
    if (indexWritten_) (void)database.recordIndexGeneration(generation, entries.size());
    database.close();
    return true;
}

bool FileInfoAnalyse::settleScope(CFileInfoDB& database) {
    AnalysisScope recorded;
    if (!recorded.load(database, AnalysisScope::Stored::Analysed)) return false;
    if (!scopeGiven_) {
        scope_ = std::move(recorded);
        return true;
    }
    if (recorded == scope_) return true;
    // Other folders or another rule: the index no longer answers for the scope.
    return scope_.save(database, AnalysisScope::Stored::Analysed, !recorded.sameSelection(scope_));
}

void FileInfoAnalyse::addRow(const char* mask, const char* name) {
    key_.assign(mask);  // reuses its buffer: only a new MASK costs an allocation
    Group& group = masks_[key_];
    if (group.count++ == 0) group.name = name;
}

void FileInfoAnalyse::addRow(std::int64_t id, const char* mask, const char* name, int root) {
    key_.assign(mask);
    Group& group = masks_[key_];
    if (group.count++ == 0 || id < group.id) {
        group.name = name;
        group.id = id;
    }
    if (group.root < 0)
        group.root = root;
    else if (root != group.root)
        group.across = true;
}

std::vector<std::string> FileInfoAnalyse::takeSortedEntries() {
    std::vector<std::string> entries;
    entries.reserve(masks_.size());
    const bool acrossOnly = scope_.matchesAcross();
    while (!masks_.empty()) {
        const auto node = masks_.extract(masks_.begin());
        const std::string& mask = node.key();
        const Group& group = node.mapped();
        // Copies within one chosen folder do not count; a single file stays.
        if (acrossOnly && group.count > 1 && !group.across) continue;
        const std::int64_t waste = static_cast<std::int64_t>(group.count - 1) *
                                   static_cast<std::int64_t>(sizeFromMask(mask));
        entries.push_back(formatEntry(waste, group.count, mask, group.name));
    }
    std::unordered_map<std::string, Group>().swap(masks_);  // its buckets too
    // Byte order of the entries is the index order: the right-aligned waste
    // and count fields compare as numbers.
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::string FileInfoAnalyse::formatEntry(std::int64_t waste, int count, std::string_view mask,
                                         std::string_view name) {
    // As "%32s|%8d|" applied to the decimal waste and the count, then the
    // MASK, "|" and the name; written by hand, since it runs once per group.
    const std::string wasteText = std::to_string(waste);
    const std::string countText = std::to_string(count);
    std::string entry;
    entry.reserve(44 + mask.size() + name.size());
    if (wasteText.size() < 32) entry.append(32 - wasteText.size(), ' ');
    entry += wasteText;
    entry += '|';
    if (countText.size() < 8) entry.append(8 - countText.size(), ' ');
    entry += countText;
    entry += '|';
    entry += mask;
    entry += '|';
    entry += name;
    return entry;
}

std::uint32_t FileInfoAnalyse::sizeFromMask(std::string_view mask) {
    if (mask.size() < 8) return 0;
    std::uint32_t size = 0;
    // Byte i of the size is written at characters 2i and 2i + 1.
    for (int i = 3; i >= 0; --i) {
        const int high = hexDigit(mask[2 * i]);
        const int low = hexDigit(mask[2 * i + 1]);
        if (high < 0 || low < 0) return 0;
        size = (size << 8) | static_cast<std::uint32_t>(high * 16 + low);
    }
    return size;
}
