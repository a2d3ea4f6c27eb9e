// SPDX-License-Identifier: MIT
#include "storage/CFileInfoDB.h"

#include <algorithm>
#include <ctime>
#include <limits>
#include <utility>

#include "storage/SqlText.h"

namespace {
// The file format. Each text goes to SQLite as it stands.
const char* const kConnectionSetup[] = {
    "PRAGMA synchronous = OFF",
    "PRAGMA page_size = 4096",
    "PRAGMA temp_store = MEMORY",
    "CREATE TABLE IF NOT EXISTS FILEINFO_DIF (ID INTEGER PRIMARY KEY AUTOINCREMENT,FNAME "
    "VARCHAR(256) NOT NULL,FTIME CHAR(20),FLEVEL INTEGER NOT NULL,UNIQUE (FNAME))",
    "CREATE TABLE IF NOT EXISTS FILEINFO_FIF (ID INTEGER PRIMARY KEY AUTOINCREMENT,MASK CHAR(80) "
    "NOT NULL,FOLDERID INTEGER NOT NULL,FNAME VARCHAR(256) NOT NULL,FTIME INTEGER NOT "
    "NULL,UNIQUE (FOLDERID,FNAME))",
    "CREATE TABLE IF NOT EXISTS FILEINFO_IGR (ID INTEGER PRIMARY KEY AUTOINCREMENT,FNAME "
    "VARCHAR(256) NOT NULL,UNIQUE (FNAME))",
    "CREATE TABLE IF NOT EXISTS FILEINFO_SCN (ID INTEGER PRIMARY KEY AUTOINCREMENT,FNAME "
    "VARCHAR(256) NOT NULL,FTIME INTEGER NOT NULL)",
};
const char* const kCreateIndexTable =
    "CREATE TABLE IF NOT EXISTS FILEINFO_IDX (ID INTEGER PRIMARY KEY AUTOINCREMENT,FTSIZE INTEGER "
    "DEFAULT 0,FNUM INTEGER DEFAULT 0,MASK CHAR(80) NOT NULL,FNAME VARCHAR(256) NOT NULL,UNIQUE "
    "(MASK))";

// The change counter of the file rows and the triggers that keep it. An
// update that leaves ID, MASK and name as they were (a new time alone) does
// not change what the index holds, so it does not count.
const char* const kGenerationTable =
    "CREATE TABLE LANBROOK_GENERATION (NAME TEXT PRIMARY KEY, VALUE INTEGER NOT NULL)";
const char* const kGenerationSeed =
    "INSERT OR IGNORE INTO LANBROOK_GENERATION (NAME, VALUE) VALUES ('FILES', 0), ('INDEX', -1), "
    "('INDEX_ROWS', 0)";
// Each trigger is its head and one of these bodies.
const char* const kBumpFiles =
    " BEGIN UPDATE LANBROOK_GENERATION SET VALUE = VALUE + 1 WHERE NAME = 'FILES'; END";
const char* const kFileTriggers[] = {
    "CREATE TRIGGER IF NOT EXISTS LANBROOK_FIF_INSERT AFTER INSERT ON FILEINFO_FIF",
    "CREATE TRIGGER IF NOT EXISTS LANBROOK_FIF_DELETE AFTER DELETE ON FILEINFO_FIF",
    // One element written on two lines (the parentheses say so to the compiler).
    ("CREATE TRIGGER IF NOT EXISTS LANBROOK_FIF_UPDATE AFTER UPDATE ON FILEINFO_FIF WHEN OLD.ID IS "
     "NOT NEW.ID OR OLD.MASK IS NOT NEW.MASK OR OLD.FNAME IS NOT NEW.FNAME"),
};
const char* const kForgetIndex =
    " BEGIN UPDATE LANBROOK_GENERATION SET VALUE = -1 WHERE NAME = 'INDEX'; END";
const char* const kIndexTriggers[] = {
    "CREATE TRIGGER IF NOT EXISTS LANBROOK_IDX_INSERT AFTER INSERT ON FILEINFO_IDX",
    "CREATE TRIGGER IF NOT EXISTS LANBROOK_IDX_DELETE AFTER DELETE ON FILEINFO_IDX",
    "CREATE TRIGGER IF NOT EXISTS LANBROOK_IDX_UPDATE AFTER UPDATE ON FILEINFO_IDX",
};

const char* const kFolderInsert = "INSERT INTO FILEINFO_DIF (FNAME, FTIME, FLEVEL) VALUES (?,?,?)";
const char* const kFolderTimeUpdate = "UPDATE FILEINFO_DIF SET FTIME = ? WHERE ID = ?";
const char* const kFileInsert =
    "INSERT INTO FILEINFO_FIF (MASK, FOLDERID, FNAME, FTIME) VALUES (?,?,?,?)";
const char* const kFileUpdate =
    "UPDATE FILEINFO_FIF SET MASK = ?, FTIME = ? WHERE FOLDERID = ? AND FNAME = ?";
const char* const kIndexInsert =
    "INSERT INTO FILEINFO_IDX (FTSIZE, FNUM, MASK, FNAME) VALUES (?,?,?,?)";

// "(A.FNAME >= 'C:\\a\\' AND A.FNAME < 'C:\\a]') OR ...": the folder rows under
// any of `folders`, each a range SQLite answers from the index on FNAME.
// "0" (no row) for an empty list.
std::string underFolders(const std::vector<std::string>& folders) {
    if (folders.empty()) return "0";
    std::string condition = "(";
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (i > 0) condition += " OR ";
        condition += "(" + sqltext::prefixCondition("A.FNAME", folders[i]) + ")";
    }
    return condition + ")";
}

}  // namespace

CSqliteDB::Value CFileInfoDB::idValue(const std::string& id) {
    if (!sqltext::isRowId(id)) return CSqliteDB::Value(id);
    const std::int64_t number = sqltext::leadingInteger(id);
    const bool saturated = number == std::numeric_limits<std::int64_t>::max() ||
                           number == std::numeric_limits<std::int64_t>::min();
    return saturated ? CSqliteDB::Value(id) : CSqliteDB::Value(number);
}

CFileInfoDB::CFileInfoDB(std::string databasePath) : CSqliteDB(std::move(databasePath)) {}

CFileInfoDB::~CFileInfoDB() {
    close();
}

bool CFileInfoDB::open() {
    if (isOpen()) return true;
    if (!CSqliteDB::open()) return false;
    // A table or statement that cannot be made leaves its operations failing;
    // the connection itself is open.
    for (const char* sql : kConnectionSetup) (void)execute(sql);
    createGenerationTable();
    (void)prepare(folderInsert_, kFolderInsert);
    (void)prepare(folderTimeUpdate_, kFolderTimeUpdate);
    (void)prepare(fileInsert_, kFileInsert);
    (void)prepare(fileUpdate_, kFileUpdate);
    return true;
}

void CFileInfoDB::close() {
    // The statements go first: SQLite does not close a connection that still has any.
    folderInsert_.reset();
    folderTimeUpdate_.reset();
    fileInsert_.reset();
    fileUpdate_.reset();
    CSqliteDB::close();
}

bool CFileInfoDB::recreateIndexTable() {
    if (!execute("DROP TABLE IF EXISTS FILEINFO_IDX")) return false;
    return execute(kCreateIndexTable);
}

bool CFileInfoDB::writeIndex(const std::vector<std::string>& entries) {
    (void)recreateIndexTable();
    // From the last entry to the first, each split into views of itself.
    return insertRows(kIndexInsert, entries.size(),
                      [&entries](std::size_t i, std::vector<std::string_view>& fields) {
                          fields = sqltext::splitIndexEntry(entries[entries.size() - 1 - i]);
                      });
}

void CFileInfoDB::createGenerationTable() {
    // Made once, with its rows, so that an open of a database that has it
    // writes nothing (and waits for no lock another program holds).
    if (!tableExists("LANBROOK_GENERATION") && execute("BEGIN")) {
        if (execute(kGenerationTable) && execute(kGenerationSeed))
            (void)execute("COMMIT");
        else
            (void)execute("ROLLBACK");
    }
    for (const char* head : kFileTriggers) (void)execute(std::string(head) + kBumpFiles);
}

bool CFileInfoDB::fileGeneration(std::int64_t& out) {
    if (!query("SELECT VALUE FROM LANBROOK_GENERATION WHERE NAME = 'FILES'")) return false;
    const bool found = !resultRows().empty() && sqltext::isRowId(resultRows().front().at(0));
    if (found) out = std::stoll(resultRows().front().at(0));
    clearResult();
    return found;
}

bool CFileInfoDB::recordIndexGeneration(std::int64_t generation, std::size_t rows) {
    if (!execute("BEGIN")) return false;
    bool recorded = true;
    for (const char* head : kIndexTriggers)
        recorded = recorded && execute(std::string(head) + kForgetIndex);
    recorded = recorded &&
               execute(
                   "INSERT OR IGNORE INTO LANBROOK_GENERATION (NAME, VALUE) VALUES "
                   "('FILES', 0)") &&
               execute(
                   "INSERT OR REPLACE INTO LANBROOK_GENERATION (NAME, VALUE) VALUES "
                   "('INDEX', " +
                   std::to_string(generation) + "), ('INDEX_ROWS', " + std::to_string(rows) + ")");
    return execute(recorded ? "COMMIT" : "ROLLBACK") && recorded;
}

bool CFileInfoDB::indexIsCurrent() {
    if (!tableExists("FILEINFO_IDX")) return false;
    const bool read = query(
        "SELECT (SELECT VALUE FROM LANBROOK_GENERATION WHERE NAME = 'FILES'), "
        "(SELECT VALUE FROM LANBROOK_GENERATION WHERE NAME = 'INDEX'), "
        "(SELECT VALUE FROM LANBROOK_GENERATION WHERE NAME = 'INDEX_ROWS'), "
        "IFNULL((SELECT seq FROM sqlite_sequence WHERE name = 'FILEINFO_IDX'), 0), "
        "IFNULL((SELECT MAX(ID) FROM FILEINFO_IDX), 0), "
        "(SELECT COUNT(*) FROM sqlite_master WHERE type = 'trigger' AND tbl_name = "
        "'FILEINFO_IDX' AND name LIKE 'LANBROOK_IDX_%')");
    if (!read || resultRows().size() != 1) {
        clearResult();
        return false;
    }
    const Row row = resultRows().front();
    clearResult();
    if (row.size() != 6 || row[0].empty() || row[0] != row[1] || row[1] == "-1") return false;
    return row[2] == row[3] && row[3] == row[4] && row[5] == "3";
}

bool CFileInfoDB::queryIndex() {
    return query("SELECT FNUM, MASK, FNAME FROM FILEINFO_IDX");
}

bool CFileInfoDB::querySingleColumn(const std::string& sql, std::vector<std::string>& out) {
    if (!query(sql)) return false;
    collectFirstColumn(out);
    clearResult();
    return true;
}

bool CFileInfoDB::loadIgnoredFolders(std::vector<std::string>& out) {
    return querySingleColumn("SELECT FNAME FROM FILEINFO_IGR", out);
}

bool CFileInfoDB::listFolderContents(const std::string& folderId, const std::string& levelText,
                                     const std::string& folderPath,
                                     std::vector<std::string>& subfolders,
                                     std::vector<std::string>& files) {
    const std::int64_t level = sqltext::leadingInteger(levelText);
    const std::string childLevel =
        std::to_string(level == INT64_MAX ? level : level + 1);  // no overflow on absurd text
    if (!querySingleColumn("SELECT FNAME FROM FILEINFO_DIF WHERE " +
                               sqltext::prefixCondition("FNAME", folderPath) +
                               " AND FLEVEL = " + childLevel,
                           subfolders)) {
        return false;
    }
    if (!sqltext::isRowId(folderId)) return false;
    return querySingleColumn("SELECT FNAME FROM FILEINFO_FIF WHERE FOLDERID = " + folderId, files);
}

bool CFileInfoDB::addScanRecord(const std::string& rootPath) {
    const auto now = static_cast<std::int64_t>(std::time(nullptr));
    return execute("INSERT INTO FILEINFO_SCN ( FNAME, FTIME ) VALUES ( " +
                   sqltext::quoted(rootPath) + "," + std::to_string(now) + ")");
}

bool CFileInfoDB::getLastScanTime(std::int64_t& out, const std::string& rootPath) {
    if (!query("SELECT FTIME FROM FILEINFO_SCN WHERE FNAME = " + sqltext::quoted(rootPath) +
               " ORDER BY ID DESC LIMIT 1")) {
        return false;
    }
    const bool found = !resultRows().empty() && !resultRows().front().empty();
    if (found) out = sqltext::leadingInteger(resultRows().front().front());
    clearResult();
    return found;
}

bool CFileInfoDB::addIgnoredFolder(const std::string& path) {
    return execute("INSERT INTO FILEINFO_IGR ( FNAME ) VALUES ( " + sqltext::quoted(path) + ")");
}

bool CFileInfoDB::removeIgnoredFolder(const std::string& path) {
    return execute("DELETE FROM FILEINFO_IGR  WHERE FNAME = " + sqltext::quoted(path));
}

bool CFileInfoDB::getFolderRecord(std::vector<std::string>& out, const std::string& path) {
    if (!query("SELECT ID, FTIME, FLEVEL FROM FILEINFO_DIF WHERE FNAME = " +
               sqltext::quoted(path))) {
        return false;
    }
    const bool found = !resultRows().empty() && !resultRows().front().empty();
    if (found) out = resultRows().front();
    clearResult();
    return found;
}

bool CFileInfoDB::deleteFolderTree(const std::string& path) {
    if (path.empty()) return true;
    // The folder below which everything goes, in stored form: the paths C:\A
    // and C:\A\ both mean the row C:\A\ and every row that begins with it.
    std::string below = path;
    if (below.back() != '\\') below += '\\';
    std::vector<std::string> ids;
    if (!querySingleColumn("SELECT ID FROM FILEINFO_DIF WHERE FNAME = " + sqltext::quoted(path) +
                               " OR (" + sqltext::prefixCondition("FNAME", below) + ")",
                           ids)) {
        countFailedWrite();  // nothing could be deleted
        return true;
    }
    (void)execute("BEGIN TRANSACTION");
    deleteFoldersById(ids);
    (void)execute("COMMIT");
    return true;
}

void CFileInfoDB::deleteFoldersById(const std::vector<std::string>& ids) {
    for (const std::string& id : ids) {
        if (!sqltext::isRowId(id)) continue;
        counted(execute("DELETE FROM FILEINFO_DIF WHERE ID = " + id));
        counted(execute("DELETE FROM FILEINFO_FIF WHERE FOLDERID =" + id));
    }
}

bool CFileInfoDB::deleteFile(const std::string& folderId, const std::string& fileName) {
    if (!sqltext::isRowId(folderId)) return counted(false);
    return counted(execute("DELETE FROM FILEINFO_FIF WHERE FOLDERID = " + folderId +
                           " AND FNAME = " + sqltext::quoted(fileName)));
}

bool CFileInfoDB::insertFolder(const std::string& path) {
    const auto level = std::count(path.begin(), path.end(), '\\');
    (void)execute("BEGIN TRANSACTION");
    return counted(bindAndStep(folderInsert_.get(), {path, " ", std::to_string(level)}));
}

bool CFileInfoDB::updateFolderTime(const std::string& timeText, const std::string& folderId) {
    const bool updated = counted(bindAndStep(folderTimeUpdate_.get(), {timeText, folderId}));
    (void)execute("COMMIT");
    return updated;
}

bool CFileInfoDB::insertFile(const std::string& folderId, const std::string& fileName,
                             const std::string& mask, std::int64_t mtime) {
    // A file row needs its folder's row: an empty or foreign identifier (a
    // folder whose insertion failed) would leave a row no folder owns.
    if (!sqltext::isRowId(folderId)) return counted(false);
    return counted(stepWith(fileInsert_.get(),
                            {mask, idValue(folderId), fileName, static_cast<std::int64_t>(mtime)}));
}

bool CFileInfoDB::updateFile(const std::string& folderId, const std::string& fileName,
                             const std::string& mask, std::int64_t mtime) {
    return counted(stepWith(fileUpdate_.get(),
                            {mask, static_cast<std::int64_t>(mtime), idValue(folderId), fileName}));
}

bool CFileInfoDB::queryFilesByMask(const std::string& mask) {
    return query(
        "SELECT A.FNAME, B.FNAME FROM FILEINFO_DIF A, FILEINFO_FIF B WHERE B.FOLDERID = A.ID AND "
        "B.MASK = " +
        sqltext::quoted(mask));
}

bool CFileInfoDB::queryFilesWithMasks(const std::vector<std::string>& masks) {
    std::string list;
    for (const std::string& mask : masks) {
        if (!list.empty()) list += ',';
        list += sqltext::quoted(mask);
    }
    return query(
        "SELECT B.MASK, A.FNAME, B.FNAME FROM FILEINFO_FIF B, FILEINFO_DIF A WHERE B.MASK IN (" +
        list + ") AND A.ID = B.FOLDERID");
}

bool CFileInfoDB::queryAllFiles() {
    return query(
        "SELECT B.MASK, A.FNAME, B.FNAME FROM FILEINFO_DIF A, FILEINFO_FIF B WHERE B.FOLDERID = "
        "A.ID");
}

bool CFileInfoDB::queryAllFilesUnder(const std::vector<std::string>& folders) {
    return query("SELECT B.MASK, A.FNAME, B.FNAME FROM FILEINFO_DIF A, FILEINFO_FIF B WHERE " +
                 underFolders(folders) + " AND B.FOLDERID = A.ID");
}

bool CFileInfoDB::queryFilesByMaskUnder(const std::string& mask,
                                        const std::vector<std::string>& folders) {
    return query("SELECT A.FNAME, B.FNAME FROM FILEINFO_DIF A, FILEINFO_FIF B WHERE " +
                 underFolders(folders) +
                 " AND B.FOLDERID = A.ID AND B.MASK = " + sqltext::quoted(mask));
}

bool CFileInfoDB::queryFileRowsUnder(const std::vector<std::string>& folders) {
    return query(
        "SELECT B.ID, B.MASK, B.FNAME, A.FNAME FROM FILEINFO_DIF A, FILEINFO_FIF B WHERE " +
        underFolders(folders) + " AND B.FOLDERID = A.ID");
}

bool CFileInfoDB::queryDuplicateFiles(const std::vector<std::string>& folders) {
    // The sort of every duplicate file goes to temporary files on disk, so
    // memory stays bounded; the connection keeps that setting.
    if (!execute("PRAGMA temp_store = FILE")) return false;
    const std::string scope = folders.empty() ? std::string() : " AND " + underFolders(folders);
    return query(
        "SELECT I.ID, I.FNUM, I.MASK, A.FNAME, B.FNAME FROM FILEINFO_IDX I, FILEINFO_FIF B, "
        "FILEINFO_DIF A WHERE I.FNUM > 1 AND B.MASK = I.MASK AND A.ID = B.FOLDERID" +
        scope + " ORDER BY I.ID, A.FNAME || B.FNAME");
}
