// SPDX-License-Identifier: MIT
// How long the window's thread waits when it stops the background content
// check (ContentCheckQueue::stop, which CContentCheckPanel::stop calls on
// every category change, analysis and exit), over a large database:
//   check_stop [--files N] [--delays MS,MS,...]
// The database holds N synthetic file rows (bench/loader) with their index,
// and a cache row for every file, as after a check of everything. The
// queue is given every group of more than one file, as the window's 所有
// category does, and stopped after each delay, in three situations:
// - "prune": the file rows changed since the last pruning, so the checker
//   prunes the cache (every cache row looked up) before it loads the groups;
// - "load": nothing changed; it loads the groups (one pass over the rows)
//   and checks them (the synthetic files do not exist: status calls only);
// - "locked": as "prune", with another connection holding a write lock, so
//   the pruning waits for it.
// Prints each stop's wait and the longest per situation.
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/loader/SyntheticFiles.h"
#include "engine/ConfigInfo.h"
#include "engine/ContentChecker.h"
#include "results/ContentCheckQueue.h"
#include "storage/CFileInfoDB.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

bool execute(CSqliteDB& db, const std::string& sql) {
    if (db.execute(sql)) return true;
    std::fprintf(stderr, "check_stop: %s: %s\n", sql.c_str(), db.errorText().c_str());
    return false;
}

// The database: synthetic rows, their index, the cache tables (made by a
// checker) and a cache row for every file row.
bool makeDatabase(std::size_t files, std::vector<std::string>& masks) {
    const std::string path = ConfigInfo::global().getDatabasePath();
    CFileInfoDB db(path);
    if (!db.open()) return false;
    const SyntheticSummary summary = fillSyntheticDatabase(db, files, 20261209);
    {
        ContentChecker checker(path);
        if (!checker.open()) {
            std::fprintf(stderr, "check_stop: %s\n", checker.errorText().c_str());
            return false;
        }
    }
    const auto start = Clock::now();
    if (!execute(db,
                 "INSERT INTO CONTENT_HASH SELECT FOLDERID, FNAME, FTIME, MASK, 1000, "
                 "printf('%032d', ID), printf('%032d', ID), 1, ID, 0, 0 FROM FILEINFO_FIF"))
        return false;
    if (!db.query("SELECT MASK FROM FILEINFO_IDX WHERE FNUM > 1 ORDER BY ID")) return false;
    db.collectFirstColumn(masks);
    db.clearResult();
    std::printf(
        "database: %zu file rows, %zu groups, %zu of more than one file; cache rows "
        "written in %.0f ms\n",
        summary.files, summary.groups, masks.size(), msSince(start));
    return true;
}

struct Situation {
    const char* name;
    bool changeRows;  // bump the file rows' generation before each start
    bool lockHeld;
};

// One start and a stop `delay` ms later; the wait of stop() in ms. `begun`
// says how many group checks had begun by then.
double stopAfter(ContentCheckQueue& queue, const std::vector<std::string>& masks, int delay,
                 std::size_t& begun) {
    std::atomic<std::size_t> count{0};
    ContentCheckQueue::Listener listener;
    listener.onBegin = [&count](const std::string&) { ++count; };
    queue.start(masks, std::move(listener));
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    const auto start = Clock::now();
    queue.stop();
    const double waited = msSince(start);
    begun = count.load();
    return waited;
}

double runSituation(const Situation& situation, const std::vector<std::string>& masks,
                    const std::vector<int>& delays) {
    const std::string path = ConfigInfo::global().getDatabasePath();
    CSqliteDB other(path);
    if (!other.open()) return -1;
    double longest = 0;
    for (const int delay : delays) {
        if (situation.changeRows &&
            !execute(other,
                     "UPDATE LANBROOK_GENERATION SET VALUE = VALUE + 1 WHERE NAME = 'FILES'"))
            return -1;
        if (situation.lockHeld && !execute(other, "BEGIN IMMEDIATE")) return -1;
        ContentCheckQueue queue(path);
        std::size_t begun = 0;
        const double waited = stopAfter(queue, masks, delay, begun);
        if (situation.lockHeld && !execute(other, "ROLLBACK")) return -1;
        std::printf("  %-6s stop after %5d ms: waited %7.2f ms (%zu group checks begun)\n",
                    situation.name, delay, waited, begun);
        std::fflush(stdout);
        longest = std::max(longest, waited);
    }
    return longest;
}

std::vector<int> parseDelays(const char* text) {
    std::vector<int> delays;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) delays.push_back(std::atoi(item.c_str()));
    return delays;
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t files = 1000000;
    std::vector<int> delays = {0, 2, 5, 10, 20, 50, 100, 200, 400, 700, 1000, 1500, 2000, 3000};
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--files") == 0) files = std::strtoull(argv[i + 1], nullptr, 10);
        if (std::strcmp(argv[i], "--delays") == 0) delays = parseDelays(argv[i + 1]);
    }
    char pattern[] = "/tmp/lanbrook-check-stop-XXXXXX";
    if (!::mkdtemp(pattern)) return 1;
    const std::string scratch = pattern;
    std::filesystem::create_directories(scratch + "/profile");
    std::filesystem::create_directories(scratch + "/d");
    ::setenv("LANBROOK_DRIVES", ("C:=" + scratch + ";D:=" + scratch + "/d").c_str(), 1);
    ::setenv("USERPROFILE", (scratch + "/profile").c_str(), 1);

    std::vector<std::string> masks;
    int status = 0;
    if (!makeDatabase(files, masks)) {
        std::fprintf(stderr, "check_stop: cannot make the database\n");
        status = 1;
    } else {
        const Situation situations[] = {
            {"prune", true, false}, {"load", false, false}, {"locked", true, true}};
        for (const Situation& situation : situations) {
            const double longest = runSituation(situation, masks, delays);
            if (longest < 0) status = 1;
            std::printf("%s: longest wait %.2f ms (goal 50)\n", situation.name, longest);
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    return status;
}
