// SPDX-License-Identifier: MIT
#include "engine/FileInfoData.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "engine/ConfigInfo.h"
#include "util/StringUtility.h"

namespace {

// Writes of one batch before it is committed: large enough that commits cost
// little beside the file I/O, small enough that the changed pages stay in
// SQLite's page cache.
constexpr int kBatchWrites = 4096;

const char* const kFolderTimeUpdate = "UPDATE FILEINFO_DIF SET FTIME = ? WHERE ID = ?";

// Moves the entries of `from`, starting at `first`, to the end of `to`.
void appendRest(std::vector<std::string>& to, std::vector<std::string>& from, std::size_t first) {
    for (std::size_t i = first; i < from.size(); ++i) to.push_back(std::move(from[i]));
}

}  // namespace

FileInfoData::FileInfoData(WriteMode mode)
    : mode_(mode), database_(ConfigInfo::global().getDatabasePath()), batchWrites_(kBatchWrites) {
    openAndLoad();
}

FileInfoData::~FileInfoData() {
    flush();
    folders_.clear();
    timeUpdate_.reset();
    database_.close();
}

void FileInfoData::openAndLoad() {
    if (!database_.open()) return;
    inTransaction_ = false;
    if (mode_ == WriteMode::Batched) (void)database_.prepare(timeUpdate_, kFolderTimeUpdate);
    if (!database_.query("SELECT FNAME, FTIME, ID FROM FILEINFO_DIF")) return;
    CSqliteDB::Rows rows = database_.takeResultRows();
    std::unique_lock<std::shared_mutex> lock(foldersLock_);
    while (!rows.empty()) {
        CSqliteDB::Row& row = rows.front();
        if (row.size() == 3) folders_[row[0]] = StoredFolder{std::move(row[1]), std::move(row[2])};
        rows.pop_front();
    }
    database_.clearResult();
}

void FileInfoData::reopenIfClosed() {
    if (!database_.isOpen()) openAndLoad();
}

int FileInfoData::compareFolderTime(const std::string& timeText, const std::string& folder) const {
    std::shared_lock<std::shared_mutex> lock(foldersLock_);
    const auto found = folders_.find(folder);
    if (found == folders_.end()) return 0;
    return found->second.time == timeText ? 1 : -1;
}

bool FileInfoData::diffFolder(const std::string& folder, const std::vector<std::string>& subfolders,
                              std::vector<std::string>& files, std::vector<std::string>& existing) {
    existing.clear();
    std::vector<std::string> record;
    if (!database_.getFolderRecord(record, folder) || record.size() < 3) return false;
    std::vector<std::string> storedFolders;
    std::vector<std::string> storedNames;
    if (!database_.listFolderContents(record[0], record[2], folder, storedFolders, storedNames))
        return false;

    std::sort(storedNames.begin(), storedNames.end());
    std::sort(files.begin(), files.end());
    // Merge the two sorted lists: equal paths are still there, a smaller disk
    // path is new, a smaller stored name has vanished.
    std::vector<std::string> added;
    std::vector<std::string> vanished;
    std::size_t d = 0;
    std::size_t s = 0;
    while (d < files.size() && s < storedNames.size()) {
        const int order = files[d].compare(folder + storedNames[s]);
        if (order == 0) {
            existing.push_back(std::move(files[d++]));
            ++s;
        } else if (order > 0) {
            vanished.push_back(std::move(storedNames[s++]));
        } else {
            added.push_back(std::move(files[d++]));
        }
    }
    std::vector<std::string> newFiles;
    appendRest(newFiles, files, d);
    appendRest(newFiles, added, 0);
    files = std::move(newFiles);
    std::vector<std::string> vanishedNames;
    appendRest(vanishedNames, storedNames, s);
    appendRest(vanishedNames, vanished, 0);

    for (const std::string& onDisk : subfolders) {
        const auto stored = std::find(storedFolders.begin(), storedFolders.end(), onDisk + "\\");
        if (stored != storedFolders.end()) storedFolders.erase(stored);
    }
    deleteVanished(record[0], storedFolders, vanishedNames);
    return true;
}

void FileInfoData::deleteVanished(const std::string& folderId,
                                  const std::vector<std::string>& folders,
                                  const std::vector<std::string>& names) {
    for (const std::string& gone : folders) {
        (void)database_.deleteFolderTree(gone);
        // The tree is deleted in a transaction of its own, whose COMMIT also
        // ends an open batch.
        inTransaction_ = false;
    }
    beginWrites();
    for (const std::string& name : names) {
        (void)database_.deleteFile(folderId, name);
        countWrite();
    }
}

std::string FileInfoData::getFolderId(const std::string& folder) {
    reopenIfClosed();
    {
        std::shared_lock<std::shared_mutex> lock(foldersLock_);
        const auto found = folders_.find(folder);
        if (found != folders_.end()) return found->second.id;
    }
    beginWrites();
    // Inside a batch the BEGIN of insertFolder fails harmlessly: the row joins the batch.
    if (!database_.insertFolder(folder)) return std::string();
    if (mode_ == WriteMode::Batched) countWrite();
    return database_.lastInsertId();
}

void FileInfoData::updateFolderTime(const std::string& folder, const std::string& folderId,
                                    const std::string& timeText) {
    reopenIfClosed();
    if (folderId.empty()) {
        // Ends the transaction the failed insertion began; a batch stays open.
        if (mode_ == WriteMode::PerFolder) (void)database_.execute("COMMIT");
        return;
    }
    if (!writeFolderTime(timeText, folderId)) return;
    {
        // A rescan finds most folders as stored: the walker's readers of the
        // table are then not held up by a writer.
        std::shared_lock<std::shared_mutex> lock(foldersLock_);
        const auto stored = folders_.find(folder);
        if (stored != folders_.end() && stored->second.time == timeText &&
            stored->second.id == folderId)
            return;
    }
    std::unique_lock<std::shared_mutex> lock(foldersLock_);
    folders_[folder] = StoredFolder{timeText, folderId};
}

bool FileInfoData::writeFolderTime(const std::string& timeText, const std::string& folderId) {
    if (mode_ == WriteMode::PerFolder) return database_.updateFolderTime(timeText, folderId);
    beginWrites();
    const bool updated =
        database_.stepWith(timeUpdate_.get(), {timeText, CFileInfoDB::idValue(folderId)});
    // The statement is this class's own, so the database cannot count it.
    if (!updated) database_.countFailedWrite();
    countWrite();
    return updated;
}

std::int64_t FileInfoData::lastScanTime(const std::string& rootPath) {
    std::int64_t time = 0;
    (void)database_.getLastScanTime(time, rootPath);
    return time;
}

bool FileInfoData::addScanRecord(const std::string& rootPath, std::int64_t startTime) {
    reopenIfClosed();
    // The statement of CFileInfoDB::addScanRecord with the given start instead of "now".
    std::string root = rootPath;
    StringUtility::replaceAll(root, "'", "''");
    return database_.execute("INSERT INTO FILEINFO_SCN ( FNAME, FTIME ) VALUES ( '" + root + "'," +
                             std::to_string(startTime) + ")");
}

std::vector<std::string> FileInfoData::loadIgnoredFolders() {
    std::vector<std::string> folders;
    if (!database_.loadIgnoredFolders(folders)) folders.clear();
    return folders;
}

bool FileInfoData::insertFile(const std::string& folderId, const std::string& name,
                              const std::string& mask, std::int64_t mtime) {
    const bool inserted = database_.insertFile(folderId, name, mask, mtime);
    countWrite();
    return inserted;
}

bool FileInfoData::updateFile(const std::string& folderId, const std::string& name,
                              const std::string& mask, std::int64_t mtime) {
    const bool updated = database_.updateFile(folderId, name, mask, mtime);
    countWrite();
    return updated;
}

void FileInfoData::beginWrites() {
    if (mode_ != WriteMode::Batched || inTransaction_ || !database_.isOpen()) return;
    inTransaction_ = database_.execute("BEGIN TRANSACTION");
}

void FileInfoData::countWrite() {
    if (mode_ != WriteMode::Batched || ++pendingWrites_ < batchWrites_) return;
    flush();
    beginWrites();
}

void FileInfoData::flush() {
    pendingWrites_ = 0;
    if (mode_ != WriteMode::Batched || !database_.isOpen()) return;
    // Issued even when no batch is known to be open: a transaction begun
    // elsewhere on this connection is never left to be rolled back at close,
    // and a COMMIT without one fails harmlessly.
    (void)database_.execute("COMMIT");
    inTransaction_ = false;
}
