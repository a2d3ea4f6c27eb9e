// SPDX-License-Identifier: MIT
#include "engine/AnalysisScope.h"

#include <algorithm>

#include "engine/GroupCheck.h"
#include "storage/CSqliteDB.h"
#include "storage/SqlText.h"
#include "util/StringUtility.h"
#include "util/platform/FileSystem.h"

namespace {

const char* const kCreateFolders =
    "CREATE TABLE IF NOT EXISTS LANBROOK_SCOPE (SCOPE TEXT NOT NULL, FNAME TEXT NOT NULL, "
    "PROTECTED INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (SCOPE, FNAME))";
const char* const kCreateSet =
    "CREATE TABLE IF NOT EXISTS LANBROOK_SCOPE_SET (SCOPE TEXT PRIMARY KEY, WHOLE INTEGER NOT "
    "NULL DEFAULT 0, ACROSS INTEGER NOT NULL DEFAULT 0)";

const char* nameOf(AnalysisScope::Stored which) {
    return which == AnalysisScope::Stored::Chosen ? "'CHOSEN'" : "'ANALYSED'";
}

char foldCase(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Whether `path` begins with `folder` (which ends in a backslash).
bool startsWith(std::string_view path, std::string_view folder) {
    if (path.size() < folder.size()) return false;
    if (!platform::pathsIgnoreCase()) return path.compare(0, folder.size(), folder) == 0;
    for (std::size_t i = 0; i < folder.size(); ++i)
        if (foldCase(path[i]) != foldCase(folder[i])) return false;
    return true;
}

// A listed folder in stored form: ending in a backslash, upper-cased where
// paths ignore case (as the scanner stores folder paths).
std::string storedForm(std::string folder) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    if (platform::pathsIgnoreCase()) StringUtility::toUpperAscii(folder);
    return folder;
}

}  // namespace

std::vector<AnalysisScope::Folder>::iterator AnalysisScope::find(const std::string& folder) {
    const std::string wanted = storedForm(folder);
    return std::find_if(folders_.begin(), folders_.end(),
                        [&](const Folder& f) { return f.path == wanted; });
}

void AnalysisScope::addFolder(std::string folder, bool isProtected) {
    if (folder.empty()) return;
    const auto listed = find(folder);
    if (listed != folders_.end()) {
        listed->isProtected = listed->isProtected || isProtected;
        return;
    }
    folders_.push_back({storedForm(std::move(folder)), isProtected});
    updateRoots();
}

bool AnalysisScope::removeFolder(const std::string& folder) {
    const auto listed = find(folder);
    if (listed == folders_.end()) return false;
    folders_.erase(listed);
    updateRoots();
    return true;
}

bool AnalysisScope::setProtected(const std::string& folder, bool isProtected) {
    const auto listed = find(folder);
    if (listed == folders_.end()) return false;
    listed->isProtected = isProtected;
    return true;
}

void AnalysisScope::setWholeComputer(bool whole) {
    wholeComputer_ = whole;
    updateRoots();
}

void AnalysisScope::updateRoots() {
    roots_.clear();
    if (coversEveryDrive()) return;
    for (const Folder& folder : folders_) {
        const bool inside = std::any_of(folders_.begin(), folders_.end(), [&](const Folder& other) {
            return other.path.size() < folder.path.size() && startsWith(folder.path, other.path);
        });
        if (!inside) roots_.push_back(folder.path);
    }
}

int AnalysisScope::rootOf(std::string_view path) const {
    for (std::size_t i = 0; i < roots_.size(); ++i)
        if (startsWith(path, roots_[i])) return static_cast<int>(i);
    return -1;
}

bool AnalysisScope::holds(std::string_view path) const {
    return coversEveryDrive() || rootOf(path) >= 0;
}

bool AnalysisScope::isProtected(std::string_view path) const {
    return std::any_of(folders_.begin(), folders_.end(), [&](const Folder& folder) {
        return folder.isProtected && startsWith(path, folder.path);
    });
}

bool AnalysisScope::hasProtectedFolders() const {
    return std::any_of(folders_.begin(), folders_.end(),
                       [](const Folder& folder) { return folder.isProtected; });
}

bool AnalysisScope::sameSelection(const AnalysisScope& other) const {
    std::vector<std::string> mine = roots_, theirs = other.roots_;
    std::sort(mine.begin(), mine.end());
    std::sort(theirs.begin(), theirs.end());
    return mine == theirs && matchesAcross() == other.matchesAcross();
}

bool AnalysisScope::operator==(const AnalysisScope& other) const {
    if (wholeComputer_ != other.wholeComputer_ || across_ != other.across_ ||
        folders_.size() != other.folders_.size())
        return false;
    for (std::size_t i = 0; i < folders_.size(); ++i) {
        if (folders_[i].path != other.folders_[i].path ||
            folders_[i].isProtected != other.folders_[i].isProtected)
            return false;
    }
    return true;
}

void AnalysisScope::keepFilesInside(std::vector<GroupCheck>& groups) const {
    if (coversEveryDrive()) return;
    for (GroupCheck& group : groups) {
        auto outside = [this](const CheckedFile& file) { return !holds(file.folderPath); };
        group.files.erase(std::remove_if(group.files.begin(), group.files.end(), outside),
                          group.files.end());
    }
}

bool AnalysisScope::loadFrom(const std::string& databasePath, Stored which, AnalysisScope& out) {
    CSqliteDB database(databasePath);
    return database.open() && database.execute("PRAGMA busy_timeout = 2000") &&
           out.load(database, which);
}

bool AnalysisScope::keepAnalysedFiles(const std::string& databasePath,
                                      std::vector<GroupCheck>& groups) {
    AnalysisScope analysed;
    if (!loadFrom(databasePath, Stored::Analysed, analysed)) return false;
    analysed.keepFilesInside(groups);
    return true;
}

std::vector<std::string> AnalysisScope::foldersAbove(const std::string& folder) {
    std::vector<std::string> above;
    std::string current = folder;
    if (current.empty() || current.back() != '\\') current += '\\';
    while (!current.empty()) {
        above.push_back(current);
        // Up one level: drop the last name and keep its parent's backslash.
        const auto slash = current.rfind('\\', current.size() - 2);
        if (current.size() < 2 || slash == std::string::npos) break;
        current.erase(slash + 1);
    }
    return above;
}

bool AnalysisScope::load(CSqliteDB& database, Stored which) {
    // A schema that cannot be read (a lock held long) is a failure, not an
    // empty scope: protection must never be lost to a busy database.
    if (!database.query("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name IN "
                        "('LANBROOK_SCOPE', 'LANBROOK_SCOPE_SET')"))
        return false;
    const bool stored = !database.resultRows().empty() &&
                        database.resultRows().front().size() == 1 &&
                        database.resultRows().front()[0] == "2";
    database.clearResult();
    AnalysisScope loaded;
    if (!stored) {
        *this = loaded;
        return true;
    }
    if (!database.query("SELECT WHOLE, ACROSS FROM LANBROOK_SCOPE_SET WHERE SCOPE = " +
                        std::string(nameOf(which))))
        return false;
    for (const CSqliteDB::Row& row : database.resultRows()) {
        if (row.size() != 2) continue;
        loaded.setWholeComputer(row[0] == "1");
        loaded.across_ = row[1] == "1";
    }
    // Listed in the order they were stored (rowid order).
    if (!database.query("SELECT FNAME, PROTECTED FROM LANBROOK_SCOPE WHERE SCOPE = " +
                        std::string(nameOf(which)) + " ORDER BY rowid"))
        return false;
    for (const CSqliteDB::Row& row : database.resultRows())
        if (row.size() == 2) loaded.addFolder(row[0], row[1] == "1");
    database.clearResult();
    *this = std::move(loaded);
    return true;
}

bool AnalysisScope::save(CSqliteDB& database, Stored which, bool forgetIndex) const {
    const bool empty = folders_.empty() && !wholeComputer_ && !across_;
    if (!forgetIndex && empty && !database.tableExists("LANBROOK_SCOPE")) return database.isOpen();
    const std::string scope = nameOf(which);
    if (!database.execute("BEGIN")) return false;
    bool written =
        database.execute(kCreateFolders) && database.execute(kCreateSet) &&
        database.execute("DELETE FROM LANBROOK_SCOPE WHERE SCOPE = " + scope) &&
        database.execute(
            "INSERT OR REPLACE INTO LANBROOK_SCOPE_SET (SCOPE, WHOLE, "
            "ACROSS) VALUES (" +
            scope + ", " + (wholeComputer_ ? "1" : "0") + ", " + (across_ ? "1" : "0") + ")");
    for (const Folder& folder : folders_) {
        written = written && database.execute(
                                 "INSERT OR REPLACE INTO LANBROOK_SCOPE (SCOPE, FNAME, PROTECTED) "
                                 "VALUES (" +
                                 scope + ", " + sqltext::quoted(folder.path) + ", " +
                                 (folder.isProtected ? "1" : "0") + ")");
    }
    if (forgetIndex)
        written = written && database.execute(
                                 "UPDATE LANBROOK_GENERATION SET VALUE = -1 WHERE NAME = 'INDEX'");
    if (written) return database.execute("COMMIT");
    (void)database.execute("ROLLBACK");
    return false;
}

bool AnalysisScope::loadProtection(CSqliteDB& database) {
    AnalysisScope chosen, analysed;
    if (!chosen.load(database, Stored::Chosen) || !analysed.load(database, Stored::Analysed))
        return false;
    for (const Folder& folder : analysed.folders_)
        if (folder.isProtected) chosen.addFolder(folder.path, true);
    *this = std::move(chosen);
    return true;
}
