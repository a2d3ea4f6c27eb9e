// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <map>
#include <shared_mutex>
#include <string>
#include <vector>

#include "storage/CFileInfoDB.h"

// The scanner's view of the database: a connection of its own and the folder
// table, an in-memory copy of every FILEINFO_DIF row (FNAME -> FTIME, ID),
// which tells for each folder met on disk whether it is new, unchanged or
// changed without a query per folder. It also keeps the database in step with
// the disk for one folder: its row, its vanished files and subfolders, its
// new time.
//
// Writes are grouped in transactions. Per folder (the plain way): a new
// folder's row and files form one transaction, begun by getFolderId and
// committed by updateFolderTime; the writes of a stored folder commit one by
// one. Batched: one transaction covers the writes of many folders and is
// committed every few thousand writes, by flush() and by the destructor. Both
// leave the same rows; batching needs far fewer commits (each one rewrites the
// journal), while a run killed part way loses at most the open batch, whose
// folders the next run finds new or changed again.
class FileInfoData {
public:
    enum class WriteMode { PerFolder, Batched };

    // Opens the database of ConfigInfo::global() and loads the folder table;
    // when the database cannot be opened the table stays empty and the
    // operations that write try to open it again.
    explicit FileInfoData(WriteMode mode = WriteMode::PerFolder);
    // Commits an open batch, empties the table and closes the connection.
    virtual ~FileInfoData();
    FileInfoData(const FileInfoData&) = delete;
    FileInfoData& operator=(const FileInfoData&) = delete;

    // 0 when `folder` is not in the folder table, 1 when its stored time is
    // `timeText` byte for byte, -1 when it differs. May be called from
    // another thread while this one writes.
    int compareFolderTime(const std::string& timeText, const std::string& folder) const;

    // Brings a stored folder whose time changed in step with the disk.
    // `subfolders` are the folder's subfolders on disk (full paths without a
    // trailing backslash); `files` its files on disk (full paths), replaced by
    // those not yet stored; `existing` receives those both on disk and stored.
    // Stored files no longer on disk are deleted, and so are stored direct
    // subfolders no longer on disk with everything below them. False, with
    // `files` untouched, when the folder has no row or its contents cannot be
    // read.
    bool diffFolder(const std::string& folder, const std::vector<std::string>& subfolders,
                    std::vector<std::string>& files, std::vector<std::string>& existing);

    // The folder's ID text; an unknown folder's row is inserted (FTIME " "),
    // opening the transaction that updateFolderTime closes. "" when the
    // insertion fails. The folder table is not changed.
    std::string getFolderId(const std::string& folder);

    // Records the folder's new time; on success the folder table holds it.
    // With an empty `folderId` (a failed insertion) only the transaction that
    // getFolderId opened is closed.
    void updateFolderTime(const std::string& folder, const std::string& folderId,
                          const std::string& timeText);

    // Start of the previous scan of `rootPath`, 0 when none is recorded.
    std::int64_t lastScanTime(const std::string& rootPath);
    // Records a completed scan of `rootPath` that began at `startTime`
    // (seconds since 1970 UTC): the row of FILEINFO_SCN that the next scan
    // reads as its lastScanTime.
    bool addScanRecord(const std::string& rootPath, std::int64_t startTime);

    // The FNAME of every FILEINFO_IGR row; empty when the query fails.
    std::vector<std::string> loadIgnoredFolders();

    // The file writes of the scanner, on this connection and counted towards
    // the batch.
    bool insertFile(const std::string& folderId, const std::string& name, const std::string& mask,
                    std::int64_t mtime);
    bool updateFile(const std::string& folderId, const std::string& name, const std::string& mask,
                    std::int64_t mtime);

    // Batched: makes sure a transaction is open before a folder's writes.
    void beginWrites();
    // Batched: commits the open batch. Per folder: nothing.
    void flush();
    // Batched: the number of writes after which a batch is committed.
    void setBatchSize(int writes) { batchWrites_ = writes > 0 ? writes : 1; }

    CFileInfoDB& database() { return database_; }

private:
    struct StoredFolder {
        std::string time;
        std::string id;
    };

    void openAndLoad();
    void reopenIfClosed();
    void countWrite();
    bool writeFolderTime(const std::string& timeText, const std::string& folderId);
    void deleteVanished(const std::string& folderId, const std::vector<std::string>& folders,
                        const std::vector<std::string>& names);

    const WriteMode mode_;
    CFileInfoDB database_;
    // Read by a scanner's walker thread while the scanner updates it.
    mutable std::shared_mutex foldersLock_;
    std::map<std::string, StoredFolder> folders_;
    // Batched mode: the folder time update without a COMMIT, and the state of the batch.
    CSqliteDB::Statement timeUpdate_;
    bool inTransaction_ = false;
    int pendingWrites_ = 0;
    int batchWrites_;
};
