// SPDX-License-Identifier: MIT
#include "engine/FileSpaceTable.h"

#include <sqlite3.h>

#include "storage/CFileInfoDB.h"

namespace {

const char* const kCreate =
    "CREATE TABLE IF NOT EXISTS FILE_SPACE (FOLDERID INTEGER NOT NULL,FNAME VARCHAR(256) NOT "
    "NULL,LENGTH INTEGER NOT NULL,ALLOCATED INTEGER NOT NULL,LINKS INTEGER NOT NULL,DEVICE "
    "INTEGER NOT NULL,INODE INTEGER NOT NULL,PRIMARY KEY (FOLDERID,FNAME)) WITHOUT ROWID";
// Only the file table's unique index on (FOLDERID, FNAME) is read.
const char* const kPrune =
    "DELETE FROM FILE_SPACE WHERE NOT EXISTS (SELECT 1 FROM FILEINFO_FIF F WHERE F.FOLDERID = "
    "FILE_SPACE.FOLDERID AND F.FNAME = FILE_SPACE.FNAME)";
const char* const kSelect =
    "SELECT S.FOLDERID, S.FNAME, S.LENGTH, S.ALLOCATED, S.LINKS, S.DEVICE, S.INODE FROM "
    "FILE_SPACE S WHERE EXISTS (SELECT 1 FROM FILEINFO_FIF F WHERE F.FOLDERID = S.FOLDERID AND "
    "F.FNAME = S.FNAME) ORDER BY S.FOLDERID, S.FNAME";
const char* const kUpsert =
    "INSERT OR REPLACE INTO FILE_SPACE (FOLDERID, FNAME, LENGTH, ALLOCATED, LINKS, DEVICE, INODE) "
    "VALUES (?,?,?,?,?,?,?)";
const char* const kDelete = "DELETE FROM FILE_SPACE WHERE FOLDERID = ? AND FNAME = ?";

// SQLite keeps signed 64-bit integers; device and file numbers keep their bits.
std::int64_t stored(std::uint64_t value) {
    return static_cast<std::int64_t>(value);
}

std::uint64_t column(sqlite3_stmt* statement, int index) {
    return static_cast<std::uint64_t>(sqlite3_column_int64(statement, index));
}

std::string_view columnText(sqlite3_stmt* statement, int index) {
    const unsigned char* text = sqlite3_column_text(statement, index);
    return text == nullptr ? std::string_view()
                           : std::string_view(reinterpret_cast<const char*>(text),
                                              std::size_t(sqlite3_column_bytes(statement, index)));
}

}  // namespace

bool FileSpaceTable::Entry::operator==(const Entry& other) const {
    return length == other.length && allocated == other.allocated && links == other.links &&
           device == other.device && inode == other.inode;
}

bool FileSpaceTable::needsRow(const platform::SpaceStatus& space) {
    return space.complete && (space.length >= kLongFile || space.links > 1 ||
                              space.allocated != roundedUp(space.length));
}

FileSpaceTable::Entry FileSpaceTable::entryOf(const platform::SpaceStatus& space) {
    Entry entry;
    entry.length = space.length;
    entry.allocated = space.allocated;
    entry.links = space.links;
    if (space.links > 1) {
        entry.device = space.identity.device;
        entry.inode = space.identity.fileNumber;
    }
    return entry;
}

const char* FileSpaceTable::createSql() {
    return kCreate;
}

const char* FileSpaceTable::selectSql() {
    return kSelect;
}

std::string FileSpaceTable::keyOf(std::string_view folderId, std::string_view name) {
    std::string key;
    key.reserve(folderId.size() + 1 + name.size());
    key.append(folderId).append(1, '/').append(name);  // no folder ID holds a '/'
    return key;
}

bool FileSpaceTable::load() {
    loaded_ = false;
    rows_.clear();
    folders_.clear();
    if (!database_.isOpen() || !database_.execute(kCreate)) return false;
    (void)database_.execute(kPrune);  // rows left behind are ignored by readers anyway
    CSqliteDB::Statement select;
    if (!database_.prepare(select, kSelect)) return false;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(select.get())) == SQLITE_ROW) {
        sqlite3_stmt* s = select.get();
        const std::string_view folderId = columnText(s, 0);
        Entry& entry = rows_[keyOf(folderId, columnText(s, 1))];
        entry = Entry{column(s, 2), column(s, 3), column(s, 4), column(s, 5), column(s, 6)};
        folders_.emplace(folderId);
    }
    loaded_ = step == SQLITE_DONE && database_.prepare(upsert_, kUpsert) &&
              database_.prepare(delete_, kDelete);
    return loaded_;
}

bool FileSpaceTable::record(const std::string& folderId, std::string_view name,
                            const platform::SpaceStatus& space) {
    if (!loaded_ || !space.complete) return true;
    const bool needed = needsRow(space);
    // Most files need no row, in folders that have none: no lookup at all.
    if (!needed && folders_.count(folderId) == 0) return true;
    const std::string key = keyOf(folderId, name);
    const auto found = rows_.find(key);
    if (!needed) {
        if (found == rows_.end()) return true;
        if (!erase(folderId, name)) return false;
        rows_.erase(found);
        return true;
    }
    const Entry entry = entryOf(space);
    if (found != rows_.end() && found->second == entry) return true;
    if (!write(folderId, name, entry)) return false;
    rows_[key] = entry;
    folders_.insert(folderId);
    return true;
}

bool FileSpaceTable::write(const std::string& folderId, std::string_view name, const Entry& entry) {
    return database_.stepWith(
        upsert_.get(),
        {CFileInfoDB::idValue(folderId), name, stored(entry.length), stored(entry.allocated),
         stored(entry.links), stored(entry.device), stored(entry.inode)});
}

bool FileSpaceTable::erase(const std::string& folderId, std::string_view name) {
    return database_.stepWith(delete_.get(), {CFileInfoDB::idValue(folderId), name});
}
