// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "storage/CSqliteDB.h"

// The file information database: one connection to the database file with
// its schema and every statement the program runs on it. Tables:
//   FILEINFO_DIF  folders ever scanned: ID, FNAME (full path ending in a
//                 backslash), FTIME (a single blank until the folder's scan
//                 completes, then its 17-digit last-write time text), FLEVEL
//                 (number of backslashes in FNAME); FNAME unique.
//   FILEINFO_FIF  files: ID, MASK, FOLDERID (FILEINFO_DIF.ID), FNAME (name
//                 alone), FTIME (seconds since 1970 UTC); (FOLDERID, FNAME) unique.
//   FILEINFO_IGR  ignored folders: ID, FNAME (no trailing backslash), unique.
//   FILEINFO_SCN  scan history: ID, FNAME (drive root), FTIME (scan start).
//   FILEINFO_IDX  statistics index, one row per MASK, written by writeIndex
//                 only: ID (display order), FTSIZE, FNUM, MASK, FNAME.
// Beside them, LANBROOK_GENERATION (NAME, VALUE) counts the changes of the
// file rows: triggers bump FILES on every insert and delete of a file row and
// on every update of its ID, MASK or name, whichever connection or program
// makes it. INDEX holds the FILES value the index was built from (-1: none
// known) and INDEX_ROWS the number of rows it was written with; triggers on
// FILEINFO_IDX reset INDEX on any change of its rows.
//
// Folder identifiers are the decimal texts the database delivered. One that
// is not a decimal integer (an empty text after a failed insertFolder) is
// never placed in SQL: listFolderContents, deleteFile and insertFile then
// fail, deleteFoldersById skips it. Quoted values are escaped, so any byte (quotes included) may
// appear in a path or name. Failures answer false; the reason stays in
// errorText(). Operations that leave rows in resultRows() say so; all others
// clear the result rows after their query.
class CFileInfoDB : public CSqliteDB {
public:
    explicit CFileInfoDB(std::string databasePath);
    // Closes as close() does.
    ~CFileInfoDB() override;

    // Opens the file (creating it), sets the connection's pragmas, creates the
    // tables DIF, FIF, IGR and SCN when missing and prepares the four row
    // statements. True once the connection is open, even when a table or a
    // statement could not be made (the operations needing it then fail).
    // Harmless when already open.
    bool open() override;
    // Finalizes the prepared statements, then closes the connection.
    void close() override;

    // Drops FILEINFO_IDX and creates it empty.
    [[nodiscard]] bool recreateIndexTable();
    // Recreates FILEINFO_IDX and writes one row per entry "FTSIZE|FNUM|MASK|FNAME"
    // (numbers may carry leading blanks) from the last entry to the first, in
    // one transaction: the last entry gets ID 1. Everything after the third
    // '|' is the name. False when a row cannot be written (for example a
    // repeated MASK); nothing of the batch is then committed and, once the
    // connection is closed, FILEINFO_IDX is empty.
    bool writeIndex(const std::vector<std::string>& entries);
    // The current FILES generation; false when it cannot be read.
    [[nodiscard]] bool fileGeneration(std::int64_t& out);
    // Records that the index now holds the `rows` rows built from file rows
    // of generation `generation` (-1 when it is unknown: the next build then
    // reads the rows again), and guards the index with its triggers.
    [[nodiscard]] bool recordIndexGeneration(std::int64_t generation, std::size_t rows);
    // True when the index is known to be what a build from the current file
    // rows would write: it was built from the current generation, its
    // triggers are in place (no program dropped it since), and its rows and
    // sequence stand at the count it was written with.
    [[nodiscard]] bool indexIsCurrent();

    // Leaves rows (FNUM, MASK, FNAME) of FILEINFO_IDX in resultRows(), in ID order.
    [[nodiscard]] bool queryIndex();

    // Appends every FILEINFO_IGR path to `out`.
    [[nodiscard]] bool loadIgnoredFolders(std::vector<std::string>& out);
    // Appends to `subfolders` the stored folders whose FNAME begins with
    // `folderPath` byte for byte ('_' and '%' are ordinary) and whose FLEVEL is
    // the leading integer of `levelText` plus one, and to `files` the names of
    // the stored files of folder `folderId`. With a path ending in a backslash
    // and its own FLEVEL this gives the direct subfolders. The lists are not
    // emptied first; on a failed file query the subfolders found stay.
    [[nodiscard]] bool listFolderContents(const std::string& folderId, const std::string& levelText,
                                          const std::string& folderPath,
                                          std::vector<std::string>& subfolders,
                                          std::vector<std::string>& files);

    // Records that the scan of `rootPath` begins now.
    bool addScanRecord(const std::string& rootPath);
    // Start time of the latest recorded scan of `rootPath` (highest ID). False,
    // `out` untouched, when there is none or the query fails.
    bool getLastScanTime(std::int64_t& out, const std::string& rootPath);

    // False when the path is ignored already.
    bool addIgnoredFolder(const std::string& path);
    // True also when the path was not ignored.
    bool removeIgnoredFolder(const std::string& path);

    // `out` = {ID, FTIME, FLEVEL} texts of the folder whose FNAME is `path`;
    // false, `out` untouched, when there is none.
    [[nodiscard]] bool getFolderRecord(std::vector<std::string>& out, const std::string& path);

    // Deletes the folder `path` and every stored folder whose FNAME begins with
    // `path` (a trailing backslash added when missing) byte for byte, with all
    // their files, in one transaction. "" deletes nothing. Always true; when
    // the lookup fails nothing is deleted.
    bool deleteFolderTree(const std::string& path);
    // Deletes each folder row and its file rows; results are not reported.
    void deleteFoldersById(const std::vector<std::string>& ids);
    bool deleteFile(const std::string& folderId, const std::string& fileName);

    // Begins a transaction and inserts the folder with FTIME " " and FLEVEL =
    // the number of backslashes in `path`; the new ID is then lastInsertId().
    // False for a path that is stored already (the transaction stays open).
    [[nodiscard]] bool insertFolder(const std::string& path);
    // Sets the folder's FTIME, then commits the transaction of insertFolder
    // (a COMMIT without one fails harmlessly). The result is the update's.
    [[nodiscard]] bool updateFolderTime(const std::string& timeText, const std::string& folderId);

    // False when the folder holds a file of that name already.
    bool insertFile(const std::string& folderId, const std::string& fileName,
                    const std::string& mask, std::int64_t mtime);
    // True also when no such file is stored (nothing changes then).
    bool updateFile(const std::string& folderId, const std::string& fileName,
                    const std::string& mask, std::int64_t mtime);

    // How many writes of insertFolder, updateFolderTime, insertFile,
    // updateFile, deleteFile and deleteFolderTree (each of its deletes) have
    // failed on this object, a lock held by another connection or a full disk
    // for instance; never reset. countFailedWrite() adds one for a write a
    // caller makes around these operations.
    std::uint64_t failedWrites() const noexcept { return failedWrites_; }
    void countFailedWrite() noexcept { ++failedWrites_; }

    // Leaves rows (folder FNAME, file FNAME) of every file with `mask` in
    // resultRows(); files whose folder row is gone do not appear.
    [[nodiscard]] bool queryFilesByMask(const std::string& mask);
    // Leaves rows (MASK, folder FNAME, file FNAME) of every file in resultRows().
    [[nodiscard]] bool queryAllFiles();
    // The same rows for the files whose MASK is one of `masks` only, in one
    // pass over the file rows (the others never reach the caller).
    [[nodiscard]] bool queryFilesWithMasks(const std::vector<std::string>& masks);

    // Statements beside the specified ones, for an analysis of chosen folders:
    // each reads only the files whose folder FNAME begins with one of
    // `folders` (byte for byte, every one ending in a backslash; no
    // character is a wildcard). An empty list selects no file.
    //
    // The rows of queryAllFiles(), of those files.
    [[nodiscard]] bool queryAllFilesUnder(const std::vector<std::string>& folders);
    // The rows of queryFilesByMask(), of those files.
    [[nodiscard]] bool queryFilesByMaskUnder(const std::string& mask,
                                             const std::vector<std::string>& folders);
    // Rows (file ID, MASK, file FNAME, folder FNAME) of those files, in no
    // particular order: what the index is built from.
    [[nodiscard]] bool queryFileRowsUnder(const std::vector<std::string>& folders);
    // Rows (index ID, FNUM, MASK, folder FNAME, file FNAME) of every file
    // whose MASK has an index row of two files or more, ordered by that row's
    // ID (most waste first), then by path; with `folders` not empty only the
    // files under them. The sort spills to temporary files, not memory (the
    // connection keeps temp_store = FILE afterwards), so a million rows can
    // be read one by one.
    [[nodiscard]] bool queryDuplicateFiles(const std::vector<std::string>& folders);

    // A row ID text as a statement binds it: the number the INTEGER affinity
    // of an ID column makes of it; any other text (which no row has) as it
    // stands, so it matches nothing.
    static CSqliteDB::Value idValue(const std::string& id);

private:
    // Passes `written` on, counting it when false.
    bool counted(bool written) noexcept {
        if (!written) ++failedWrites_;
        return written;
    }
    void createGenerationTable();
    [[nodiscard]] bool querySingleColumn(const std::string& sql, std::vector<std::string>& out);

    Statement folderInsert_;
    Statement folderTimeUpdate_;
    Statement fileInsert_;
    Statement fileUpdate_;
    std::uint64_t failedWrites_ = 0;
};
