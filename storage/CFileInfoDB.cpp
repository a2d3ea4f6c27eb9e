// SPDX-License-Identifier: MIT
#include "storage/CFileInfoDB.h"

#include <algorithm>
#include <ctime>
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

const char* const kFolderInsert = "INSERT INTO FILEINFO_DIF (FNAME, FTIME, FLEVEL) VALUES (?,?,?)";
const char* const kFolderTimeUpdate = "UPDATE FILEINFO_DIF SET FTIME = ? WHERE ID = ?";
const char* const kFileInsert =
    "INSERT INTO FILEINFO_FIF (MASK, FOLDERID, FNAME, FTIME) VALUES (?,?,?,?)";
const char* const kFileUpdate =
    "UPDATE FILEINFO_FIF SET MASK = ?, FTIME = ? WHERE FOLDERID = ? AND FNAME = ?";
const char* const kIndexInsert =
    "INSERT INTO FILEINFO_IDX (FTSIZE, FNUM, MASK, FNAME) VALUES (?,?,?,?)";

}  // namespace

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
    Rows rows;
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        rows.push_back(sqltext::splitIndexEntry(*entry));
    }
    return insertRows(kIndexInsert, rows);
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
    return counted(
        bindAndStep(fileInsert_.get(), {mask, folderId, fileName, std::to_string(mtime)}));
}

bool CFileInfoDB::updateFile(const std::string& folderId, const std::string& fileName,
                             const std::string& mask, std::int64_t mtime) {
    return counted(
        bindAndStep(fileUpdate_.get(), {mask, std::to_string(mtime), folderId, fileName}));
}

bool CFileInfoDB::queryFilesByMask(const std::string& mask) {
    return query(
        "SELECT A.FNAME, B.FNAME FROM FILEINFO_DIF A, FILEINFO_FIF B WHERE B.FOLDERID = A.ID AND "
        "B.MASK = " +
        sqltext::quoted(mask));
}

bool CFileInfoDB::queryAllFiles() {
    return query(
        "SELECT B.MASK, A.FNAME, B.FNAME FROM FILEINFO_DIF A, FILEINFO_FIF B WHERE B.FOLDERID = "
        "A.ID");
}
