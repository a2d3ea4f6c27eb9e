// SPDX-License-Identifier: MIT
// One measurement of the space view's figures on a database:
//   space_measure DATABASE.db
// Reads the stored inventory (folder rows, file rows, content cache,
// FILE_SPACE), then the bytes copied elsewhere, the per-folder figures, the
// largest files and bytes per category of the whole tree, and the totals
// the analysis keeps (written to the database: use a copy). Prints the
// figures and the seconds of each stage.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "engine/FolderCopies.h"
#include "engine/FolderInventoryLoader.h"
#include "engine/SpaceFigures.h"
#include "engine/SpaceHistory.h"
#include "engine/SpaceTree.h"
#include "storage/CSqliteDB.h"
#include "util/platform/FileSystem.h"

namespace {

double since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    std::string path;
    if (argc != 2 || !platform::fromNativePath(argv[1], path)) {
        std::fprintf(stderr, "usage: space_measure DATABASE.db\n");
        return 2;
    }
    auto start = std::chrono::steady_clock::now();
    FolderInventory inventory;
    FolderInventoryLoader loader(path);
    if (!loader.load(inventory)) {
        std::fprintf(stderr, "space_measure: %s\n", loader.errorText().c_str());
        return 1;
    }
    const double loaded = since(start);
    start = std::chrono::steady_clock::now();
    const FolderCopies copies(inventory);
    const double copied = since(start);
    start = std::chrono::steady_clock::now();
    const SpaceFigures figures(inventory, &copies);
    const double summed = since(start);
    // What the analysis does at its end: the sizes alone, and their totals.
    start = std::chrono::steady_clock::now();
    {
        FolderInventory sizes;
        if (!FolderInventoryLoader(path).loadSizes(sizes)) return 1;
        const SpaceFigures totals(sizes, nullptr);
    }
    const double sizesLoaded = since(start);
    start = std::chrono::steady_clock::now();
    CSqliteDB database(path);
    const bool recorded = database.open() && SpaceHistory::record(database, inventory, figures, 1);
    const double history = since(start);

    // The whole view as the window loads it, then its heaviest questions.
    start = std::chrono::steady_clock::now();
    SpaceTree space;
    if (!space.load(path)) {
        std::fprintf(stderr, "space_measure: %s\n", space.errorText().c_str());
        return 1;
    }
    const double treeLoaded = since(start);
    start = std::chrono::steady_clock::now();
    const auto drives = space.children(SpaceTree::kTop);
    const auto largest = space.largestFiles(drives.front().id, 100);
    const auto categories = space.categoryBytes(drives.front().id);
    const double asked = since(start);
    struct rusage usage {};
    (void)getrusage(RUSAGE_SELF, &usage);
    std::printf(
        "space_measure: files=%zu folders=%zu disk_usage=%llu size=%llu copied=%llu "
        "largest=%llu recorded=%d load_s=%.3f copies_s=%.3f figures_s=%.3f sizes_s=%.3f "
        "history_s=%.3f "
        "tree_s=%.3f top_s=%.3f peak_mib=%ld\n",
        inventory.files().size(), inventory.folders().size(),
        static_cast<unsigned long long>(drives.front().figures.diskUsage),
        static_cast<unsigned long long>(categories[0]),
        static_cast<unsigned long long>(drives.front().figures.copiedBytes),
        static_cast<unsigned long long>(largest.empty() ? 0 : largest.front().size),
        recorded ? 1 : 0, loaded, copied, summed, sizesLoaded, history, treeLoaded, asked,
        usage.ru_maxrss / 1024);
    return 0;
}
