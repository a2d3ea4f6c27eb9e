// SPDX-License-Identifier: MIT
#include "engine/CleanupUndo.h"

#include "engine/CleanupJournal.h"
#include "storage/CFileInfoDB.h"
#include "util/platform/ContentFile.h"
#include "util/platform/Trash.h"

namespace {

// Enters the file put back at `entry`'s place in the file table when it is
// what its row was; false when it is not (the next analysis finds it).
bool restoreRow(CFileInfoDB& database, const CleanupJournal::Entry& entry) {
    const std::string& path = entry.trashed.originalPath;
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string::npos) return false;
    platform::FileStatus status;
    platform::FileError error;
    if (!platform::fileStatus(path, status, error) || !status.regular ||
        status.modificationTime != entry.rowTime)
        return false;
    std::vector<std::string> folder;
    if (!database.getFolderRecord(folder, path.substr(0, slash + 1)) || folder.empty())
        return false;
    return database.insertFile(folder[0], path.substr(slash + 1), entry.mask, entry.rowTime);
}

}  // namespace

bool CleanupUndo::pending(CFileInfoDB& database, std::size_t& count, std::string& error) {
    CleanupJournal journal(database);
    std::vector<CleanupJournal::Entry> entries;
    if (!journal.lastRun(entries)) {
        error = journal.errorText();
        return false;
    }
    count = entries.size();
    return true;
}

bool CleanupUndo::run(CFileInfoDB& database, Summary& summary, std::string& error,
                      std::atomic<std::uint64_t>* progress) {
    CleanupJournal journal(database);
    std::vector<CleanupJournal::Entry> entries;
    if (!journal.lastRun(entries)) {
        error = journal.errorText();
        return false;
    }
    std::uint64_t done = 0;
    for (const CleanupJournal::Entry& entry : entries) {
        const std::string& path = entry.trashed.originalPath;
        platform::FileStatus status;
        platform::FileError missing;
        std::string reason;
        if (!platform::trashedStatus(entry.trashed, status, missing) && missing.missing) {
            summary.gone.push_back({path, "it is no longer in the trash", false});
            (void)journal.forget(entry);
        } else if (!platform::restoreFromTrash(entry.trashed, reason)) {
            platform::FileStatus taken;
            summary.skipped.push_back({path, reason, platform::fileStatus(path, taken, missing)});
        } else {
            summary.restored.push_back(path);
            (void)journal.forget(entry);
            if (restoreRow(database, entry)) ++summary.rowsRestored;
        }
        if (progress != nullptr) progress->store(++done, std::memory_order_relaxed);
    }
    return true;
}
