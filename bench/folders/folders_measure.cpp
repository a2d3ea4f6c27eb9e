// SPDX-License-Identifier: MIT
// One measurement of the identical-folder computation on a database:
//   folders_measure DATABASE.db
// Reads the inventory of every stored file with its cached content (one pass
// each over the folder rows, the file rows and the content cache), then the
// bytes of each folder with a copy elsewhere and the identical and redundant
// folders. Prints the figures and the seconds of each stage.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "engine/FolderCopies.h"
#include "engine/FolderInventoryLoader.h"
#include "engine/IdenticalFolders.h"
#include "util/platform/FileSystem.h"

namespace {

double since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    std::string path;
    if (argc != 2 || !platform::fromNativePath(argv[1], path)) {
        std::fprintf(stderr, "usage: folders_measure DATABASE.db\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    FolderInventory inventory;
    FolderInventoryLoader loader(path);
    if (!loader.load(inventory)) {
        std::fprintf(stderr, "folders_measure: %s\n", loader.errorText().c_str());
        return 1;
    }
    const double loaded = since(start);
    const FolderCopies copies(inventory);
    const double copied = since(start);
    const IdenticalFolders identical(inventory, copies);
    const double found = since(start);
    std::uint64_t freed = 0;
    for (const IdenticalFolders::Set& set : identical.sets()) freed += set.freed;
    struct rusage usage {};
    (void)getrusage(RUSAGE_SELF, &usage);
    const FolderInventoryLoader::Counts& counts = loader.counts();
    std::printf(
        "folders_measure: files=%zu folders=%zu cached=%llu unique=%llu unconfirmed=%llu "
        "sets=%zu freed=%llu redundant=%zu load_s=%.3f copies_s=%.3f sets_s=%.3f seconds=%.3f "
        "peak_mib=%ld\n",
        inventory.files().size(), inventory.folders().size(),
        static_cast<unsigned long long>(counts.fromCache),
        static_cast<unsigned long long>(counts.unique),
        static_cast<unsigned long long>(counts.unconfirmed), identical.sets().size(),
        static_cast<unsigned long long>(freed), identical.redundant().size(), loaded,
        copied - loaded, found - copied, found, usage.ru_maxrss / 1024);
    return 0;
}
