// SPDX-License-Identifier: MIT
// Measures the result loader on a database made by loader_fill. One
// measurement per process, so that the peak resident size is its own:
//   loader_measure refresh DB CATEGORY    loadCategoryTable + loadGroups + buildPathTree
//   loader_measure group-files DB RUNS    getGroupFiles of the biggest and of a single group
//   loader_measure ready DB               isDatabaseReady on a fresh loader (start-up)
//   loader_measure scan DB                both queries of a refresh, rows dropped (the floor)
//   loader_measure add-mask-index DB      adds an index on FILEINFO_FIF(MASK) to DB
// DB is a native path. Prints one key=value line per measurement.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "results/FileInfoLoader.h"
#include "storage/CSqliteDB.h"
#include "util/platform/FileSystem.h"

namespace {

double secondsOf(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Processor seconds of this process, user and system; less disturbed than the
// wall clock when other work shares the machine.
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double peakResidentMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // KiB on Linux
}

std::size_t countLeaves(const CPathTreeNode& node) {
    if (node.children().empty()) return 1;
    std::size_t leaves = 0;
    for (const auto& child : node.children()) leaves += countLeaves(*child);
    return leaves;
}

int refresh(const std::string& db, int category) {
    FileInfoLoader loader(db);
    bool loaded = false;
    const double cpuStart = cpuSeconds();
    const double groupSeconds = secondsOf([&] {
        loader.loadCategoryTable();
        loaded = loader.loadGroups(category);
    });
    const double treeSeconds =
        secondsOf([&] { loaded = loaded && loader.buildPathTree(category); });
    const double cpu = cpuSeconds() - cpuStart;
    const CPathTreeNode& root = loader.pathTree().root();
    const std::size_t leaves = root.children().empty() ? 0 : countLeaves(root);
    std::printf(
        "refresh category=%d groups=%d leaves=%zu total=%s duplicate=%s seconds=%.3f "
        "cpu_s=%.3f groups_s=%.3f tree_s=%.3f peak_rss_mib=%.1f\n",
        category, loader.groupCount(), leaves, loader.getTotalSizeText().c_str(),
        loader.getDuplicateSizeText().c_str(), groupSeconds + treeSeconds, cpu, groupSeconds,
        treeSeconds, peakResidentMiB());
    return loaded ? 0 : 1;
}

// The floor of a refresh: both queries of category 0, every row delivered
// and dropped.
int scan(const std::string& db) {
    CStreamingFileInfoDB connection(db);
    if (!connection.open()) return 1;
    std::size_t rows = 0;
    const auto count = [&rows](const CStreamingFileInfoDB::RowView&) { return ++rows, true; };
    bool read = false;
    const double indexSeconds = secondsOf(
        [&] { read = connection.streamRows([&] { return connection.queryIndex(); }, count); });
    const double fileSeconds = secondsOf([&] {
        read = read && connection.streamRows([&] { return connection.queryAllFiles(); }, count);
    });
    std::printf("scan rows=%zu seconds=%.3f index_s=%.3f files_s=%.3f peak_rss_mib=%.1f\n", rows,
                indexSeconds + fileSeconds, indexSeconds, fileSeconds, peakResidentMiB());
    return read ? 0 : 1;
}

int ready(const std::string& db) {
    FileInfoLoader loader(db);
    bool answer = false;
    const double seconds = secondsOf([&] { answer = loader.isDatabaseReady(); });
    std::printf("ready answer=%d seconds=%.3f peak_rss_mib=%.1f\n", answer ? 1 : 0, seconds,
                peakResidentMiB());
    return answer ? 0 : 1;
}

std::string firstColumn(CSqliteDB& db, const std::string& sql) {
    if (!db.query(sql) || db.resultRows().empty()) return std::string();
    return db.resultRows().front().at(0);
}

int groupFiles(const std::string& db, int runs) {
    CSqliteDB index(db);
    if (!index.open()) return 1;
    const std::string biggest =
        firstColumn(index, "SELECT MASK FROM FILEINFO_IDX ORDER BY ID LIMIT 1");
    const std::string single =
        firstColumn(index, "SELECT MASK FROM FILEINFO_IDX ORDER BY ID DESC LIMIT 1");
    index.close();
    FileInfoLoader loader(db);
    for (const auto& [label, mask] : {std::pair{"biggest", biggest}, std::pair{"single", single}}) {
        std::vector<double> times;
        std::size_t paths = 0;
        for (int run = 0; run < runs; ++run)
            times.push_back(secondsOf([&] { paths = loader.getGroupFiles(mask).size(); }));
        std::sort(times.begin(), times.end());
        std::printf("group-files group=%s paths=%zu median_ms=%.2f min_ms=%.2f\n", label, paths,
                    times[times.size() / 2] * 1000, times.front() * 1000);
    }
    return 0;
}

int addMaskIndex(const std::string& db) {
    CSqliteDB connection(db);
    const bool made =
        connection.open() &&
        connection.execute("CREATE INDEX IF NOT EXISTS BENCH_FIF_MASK ON FILEINFO_FIF (MASK)");
    if (!made) std::fprintf(stderr, "loader_measure: %s\n", connection.errorText().c_str());
    return made ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string db;
    if (argc < 3 || !platform::fromNativePath(argv[2], db)) {
        std::fprintf(stderr,
                     "usage: loader_measure refresh|group-files|ready|scan|add-mask-index DB "
                     "[CATEGORY|RUNS]\n");
        return 2;
    }
    const std::string mode = argv[1];
    if (mode == "refresh" && argc == 4) return refresh(db, std::atoi(argv[3]));
    if (mode == "group-files" && argc == 4) return groupFiles(db, std::max(1, std::atoi(argv[3])));
    if (mode == "scan") return scan(db);
    if (mode == "ready") return ready(db);
    if (mode == "add-mask-index") return addMaskIndex(db);
    std::fprintf(stderr, "loader_measure: unknown mode %s\n", mode.c_str());
    return 2;
}
