// SPDX-License-Identifier: MIT
#include "engine/SpaceHistory.h"

#include <sqlite3.h>

#include "engine/FolderInventory.h"
#include "engine/FolderInventoryLoader.h"
#include "engine/SpaceFigures.h"
#include "storage/CSqliteDB.h"

namespace {

constexpr int kBusyTimeoutMs = 3000;
const char* const kCreateRuns =
    "CREATE TABLE IF NOT EXISTS FOLDER_SPACE_RUN (RUN INTEGER PRIMARY KEY, TIME INTEGER NOT NULL)";
const char* const kCreateFolders =
    "CREATE TABLE IF NOT EXISTS FOLDER_SPACE (RUN INTEGER NOT NULL, PATH TEXT NOT NULL, SIZE "
    "INTEGER NOT NULL, DISK INTEGER NOT NULL, FILES INTEGER NOT NULL, PRIMARY KEY (RUN, PATH)) "
    "WITHOUT ROWID";
const char* const kInsertFolder =
    "INSERT OR REPLACE INTO FOLDER_SPACE (RUN, PATH, SIZE, DISK, FILES) VALUES (?,?,?,?,?)";
const char* const kRuns = "SELECT RUN, TIME FROM FOLDER_SPACE_RUN ORDER BY RUN DESC LIMIT 2";
const char* const kFoldersOfRun = "SELECT PATH, SIZE, DISK, FILES FROM FOLDER_SPACE WHERE RUN = ?";

std::int64_t stored(std::uint64_t value) {
    return static_cast<std::int64_t>(value);
}

bool writeRun(CSqliteDB& database, const FolderInventory& inventory, const SpaceFigures& figures,
              std::int64_t time) {
    if (!database.execute(kCreateRuns) || !database.execute(kCreateFolders) ||
        !database.execute("INSERT INTO FOLDER_SPACE_RUN (TIME) VALUES (" + std::to_string(time) +
                          ")"))
        return false;
    const std::string run = database.lastInsertId();
    CSqliteDB::Statement insert;
    if (!database.prepare(insert, kInsertFolder)) return false;
    const auto write = [&](const std::string& path, const SpaceFigures::Totals& totals) {
        return database.stepWith(insert.get(),
                                 {std::int64_t(std::stoll(run)), path, stored(totals.size),
                                  stored(totals.diskUsage), stored(totals.files)});
    };
    // Drives first: a drive whose root was analysed is that folder, whose row wins.
    for (std::uint32_t d = 0; d < figures.driveCount(); ++d) {
        const std::uint32_t node = figures.driveNode(d);
        if (!write(figures.driveRoot(node), figures.totals(node))) return false;
    }
    for (std::uint32_t f = 0; f < inventory.folders().size(); ++f)
        if (!write(inventory.folders()[f].path, figures.totals(f))) return false;
    return database.execute(
               "DELETE FROM FOLDER_SPACE WHERE RUN < (SELECT MIN(RUN) FROM (SELECT "
               "RUN FROM FOLDER_SPACE_RUN ORDER BY RUN DESC LIMIT 2))") &&
           database.execute(
               "DELETE FROM FOLDER_SPACE_RUN WHERE RUN < (SELECT MIN(RUN) FROM "
               "(SELECT RUN FROM FOLDER_SPACE_RUN ORDER BY RUN DESC LIMIT 2))");
}

bool readRun(CSqliteDB& database, std::int64_t run, SpaceHistory::Run& out) {
    CSqliteDB::Statement select;
    if (!database.prepare(select, kFoldersOfRun)) return false;
    sqlite3_bind_int64(select.get(), 1, run);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(select.get())) == SQLITE_ROW) {
        sqlite3_stmt* row = select.get();
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(row, 0));
        if (text == nullptr) continue;
        SpaceHistory::Entry& entry =
            out.folders[std::string(text, std::size_t(sqlite3_column_bytes(row, 0)))];
        entry.size = std::uint64_t(sqlite3_column_int64(row, 1));
        entry.diskUsage = std::uint64_t(sqlite3_column_int64(row, 2));
        entry.files = std::uint64_t(sqlite3_column_int64(row, 3));
    }
    return step == SQLITE_DONE;
}

}  // namespace

bool SpaceHistory::record(CSqliteDB& database, const FolderInventory& inventory,
                          const SpaceFigures& figures, std::int64_t time) {
    if (!database.execute("BEGIN IMMEDIATE TRANSACTION")) return false;
    if (writeRun(database, inventory, figures, time) && database.execute("COMMIT")) return true;
    (void)database.execute("ROLLBACK");
    return false;
}

bool SpaceHistory::recordAnalysis(const std::string& databasePath, std::int64_t time) {
    FolderInventory inventory;
    FolderInventoryLoader loader(databasePath);
    if (!loader.loadSizes(inventory)) return false;
    const SpaceFigures figures(inventory, nullptr);
    CSqliteDB database(databasePath);
    return database.open() &&
           database.execute("PRAGMA busy_timeout = " + std::to_string(kBusyTimeoutMs)) &&
           record(database, inventory, figures, time);
}

bool SpaceHistory::load(CSqliteDB& database, Run& latest, Run& previous) {
    latest = Run();
    previous = Run();
    if (!database.tableExists("FOLDER_SPACE_RUN") || !database.tableExists("FOLDER_SPACE"))
        return true;
    CSqliteDB::Statement runs;
    if (!database.prepare(runs, kRuns)) return false;
    std::int64_t ids[2] = {0, 0};
    std::int64_t times[2] = {0, 0};
    int count = 0;
    int step = SQLITE_ROW;
    while (count < 2 && (step = sqlite3_step(runs.get())) == SQLITE_ROW) {
        ids[count] = sqlite3_column_int64(runs.get(), 0);
        times[count] = sqlite3_column_int64(runs.get(), 1);
        ++count;
    }
    if (step != SQLITE_ROW && step != SQLITE_DONE) return false;
    if (count > 0 && !readRun(database, ids[0], latest)) return false;
    if (count > 1 && !readRun(database, ids[1], previous)) return false;
    latest.time = count > 0 ? times[0] : 0;
    previous.time = count > 1 ? times[1] : 0;
    return true;
}
