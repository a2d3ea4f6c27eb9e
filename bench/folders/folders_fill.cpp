// SPDX-License-Identifier: MIT
// Writes a synthetic database for the identical-folder benchmark:
//   folders_fill [--files N] [--seed N] OUTPUT.db
// The file rows of the result-loader benchmark (a fifth of the files copy an
// earlier one), then whole folders copied below D:\Backup N\ until N rows
// are written, then a content cache row for every file whose MASK is shared:
// the state after lanbrook-scan --verify, with every hash cached.
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/Random.h"
#include "bench/loader/SyntheticFiles.h"
#include "storage/CFileInfoDB.h"
#include "util/platform/FileSystem.h"

namespace {

const char* const kCacheTable =
    "CREATE TABLE IF NOT EXISTS CONTENT_HASH (FOLDERID INTEGER NOT NULL,FNAME VARCHAR(256) NOT "
    "NULL,FTIME INTEGER NOT NULL,MASK CHAR(80) NOT NULL,LENGTH INTEGER NOT NULL,HASH CHAR(32) NOT "
    "NULL,ENDS CHAR(32) NOT NULL,DEVICE INTEGER,FILENUMBER INTEGER,MTIME_NS INTEGER,CTIME_NS "
    "INTEGER,PRIMARY KEY (FOLDERID,FNAME)) WITHOUT ROWID";

struct Row {
    std::string folder, name, mask, time;
};

// Copies the folder `source` with its subtree below `target`; returns the
// file rows written.
std::size_t copyTree(CFileInfoDB& db, const std::string& source, const std::string& target) {
    // Paths beginning with `source` (which ends in a backslash) sort from it
    // up to the same text ending in ']', the character after the backslash.
    const std::string end = source.substr(0, source.size() - 1) + "]";
    if (!db.query("SELECT D.FNAME, F.FNAME, F.MASK, F.FTIME FROM FILEINFO_DIF D JOIN FILEINFO_FIF "
                  "F ON F.FOLDERID = D.ID WHERE D.FNAME >= '" +
                  source + "' AND D.FNAME < '" + end + "'"))
        return 0;
    std::vector<Row> rows;
    for (const CSqliteDB::Row& row : db.resultRows())
        rows.push_back({row[0], row[1], row[2], row[3]});
    std::unordered_map<std::string, std::string> ids;
    std::size_t written = 0;
    for (const Row& row : rows) {
        const std::string folder = target + row.folder.substr(source.size());
        auto found = ids.find(folder);
        if (found == ids.end()) {
            if (!db.insertFolder(folder)) continue;
            found = ids.emplace(folder, db.lastInsertId()).first;
            (void)db.updateFolderTime("20240102030405006", found->second);
        }
        if (db.insertFile(found->second, row.name, row.mask,
                          std::strtoll(row.time.c_str(), nullptr, 10)))
            ++written;
    }
    return written;
}

// The length a MASK's first eight hexadecimal digits give (four bytes,
// least significant first), as an SQL expression.
std::string lengthOfMask() {
    std::string sum;
    for (int byte = 0; byte < 4; ++byte) {
        std::string digits;
        for (int half = 0; half < 2; ++half)
            digits += "(instr('0123456789ABCDEF', substr(MASK, " +
                      std::to_string(2 * byte + half + 1) + ", 1)) - 1)" +
                      (half == 0 ? " * 16 + " : "");
        sum += (byte == 0 ? "" : " + ") + std::string("(") + digits + ") * " +
               std::to_string(1u << (8 * byte));
    }
    return sum;
}

// A cache row for every file whose MASK is shared, its hash made of the MASK
// (equal masks stand for equal content here), with a made-up identity and
// times, as the check records them.
bool fillCache(CFileInfoDB& db) {
    return db.execute(kCacheTable) && db.execute("BEGIN") &&
           db.execute("INSERT INTO CONTENT_HASH SELECT FOLDERID, FNAME, FTIME, MASK, " +
                      lengthOfMask() +
                      ", lower(substr(MASK, 9, 32)), '', 1, rowid, FTIME, FTIME FROM FILEINFO_FIF "
                      "WHERE MASK IN (SELECT "
                      "MASK FROM FILEINFO_FIF GROUP BY MASK HAVING COUNT(*) > 1)") &&
           db.execute("COMMIT");
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t files = 1000000;
    std::uint64_t seed = 20261209;
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--files") == 0 && i + 1 < argc)
            files = std::strtoull(argv[++i], nullptr, 10);
        else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc)
            seed = std::strtoull(argv[++i], nullptr, 10);
        else
            output = argv[i];
    }
    std::string path;
    if (output == nullptr || !platform::fromNativePath(output, path)) {
        std::fprintf(stderr, "usage: folders_fill [--files N] [--seed N] OUTPUT.db\n");
        return 2;
    }
    std::remove(output);
    const auto start = std::chrono::steady_clock::now();
    CFileInfoDB db(path);
    if (!db.open()) {
        std::fprintf(stderr, "folders_fill: %s: %s\n", output, db.errorText().c_str());
        return 1;
    }
    // Nine tenths as the loader benchmark writes them, the rest copied folders.
    const SyntheticSummary summary = fillSyntheticDatabase(db, files * 9 / 10, seed);
    std::size_t written = summary.files;
    Random random(seed + 1);
    const std::size_t folders = summary.folders;
    for (int copy = 0; written < files; ++copy) {
        if (!db.query("SELECT FNAME FROM FILEINFO_DIF WHERE ID = " +
                      std::to_string(1 + random.below(folders))) ||
            db.resultRows().empty())
            break;
        const std::string picked = db.resultRows().front().at(0);
        written += copyTree(db, picked, "D:\\Backup " + std::to_string(copy) + "\\");
    }
    if (!fillCache(db)) {
        std::fprintf(stderr, "folders_fill: %s\n", db.errorText().c_str());
        return 1;
    }
    db.close();
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::printf("folders_fill: files=%zu seconds=%.1f\n", written, seconds.count());
    return 0;
}
