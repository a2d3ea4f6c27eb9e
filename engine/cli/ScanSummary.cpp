// SPDX-License-Identifier: MIT
#include "engine/cli/ScanSummary.h"

#include <algorithm>
#include <cstdlib>

#include "engine/FileInfoAnalyse.h"
#include "storage/CFileInfoDB.h"
#include "util/FileUtility.h"
#include "util/platform/FileSystem.h"

namespace {

std::string sizeText(std::uint64_t bytes) {
    char buffer[32];
    return FileUtility::formatSize(buffer, bytes);
}

}  // namespace

bool ScanSummary::load(CFileInfoDB& database, std::size_t topGroups) {
    if (!database.queryIndex()) return false;
    // Rows (FNUM, MASK, FNAME) in ID order: the most wasteful group first.
    const CSqliteDB::Rows rows = database.takeResultRows();
    for (const CSqliteDB::Row& row : rows) {
        if (row.size() < 3) continue;
        Group group;
        group.count = std::atoi(row[0].c_str());
        group.mask = row[1];
        group.name = row[2];
        group.size = FileInfoAnalyse::sizeFromMask(group.mask);
        const auto count = static_cast<std::uint64_t>(std::max(group.count, 0));
        group.waste = count > 0 ? (count - 1) * group.size : 0;
        ++groups;
        storedFiles += count;
        totalBytes += count * group.size;
        duplicateBytes += group.waste;
        if (group.count < 2) continue;
        ++duplicateGroups;
        if (group.waste > 0 && top.size() < topGroups) top.push_back(std::move(group));
    }
    for (Group& group : top) group.paths = groupPaths(database, group.mask);
    return true;
}

std::vector<std::string> ScanSummary::groupPaths(CFileInfoDB& database, const std::string& mask) {
    std::vector<std::string> paths;
    if (!database.queryFilesByMask(mask)) return paths;
    for (const CSqliteDB::Row& row : database.takeResultRows()) {
        if (row.size() < 2) continue;
        const std::string path = row[0] + row[1];
        const std::string native = platform::toNativePath(path);
        paths.push_back(native.empty() ? path : native);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

void ScanSummary::print(std::FILE* out, std::uint32_t filesHandled,
                        std::size_t pathsPerGroup) const {
    const auto u = [](std::uint64_t n) { return static_cast<unsigned long long>(n); };
    std::fprintf(out, "\nFiles handled:    %lu\n", static_cast<unsigned long>(filesHandled));
    std::fprintf(out, "Files stored:     %llu\n", u(storedFiles));
    std::fprintf(out, "Groups:           %llu\n", u(groups));
    std::fprintf(out, "Duplicate groups: %llu\n", u(duplicateGroups));
    std::fprintf(out, "Total bytes:      %llu (%s)\n", u(totalBytes), sizeText(totalBytes).c_str());
    std::fprintf(out, "Duplicate bytes:  %llu (%s)\n", u(duplicateBytes),
                 sizeText(duplicateBytes).c_str());
    if (top.empty()) {
        std::fprintf(out, "\nNo duplicate group wastes any bytes.\n");
        return;
    }
    std::fprintf(out, "\nGroups that waste most:\n");
    for (std::size_t i = 0; i < top.size(); ++i) {
        const Group& group = top[i];
        std::fprintf(out, "%2zu. %llu bytes wasted: %d copies of %llu bytes (%s)\n", i + 1,
                     u(group.waste), group.count, u(group.size), group.name.c_str());
        const std::size_t shown = std::min(group.paths.size(), pathsPerGroup);
        for (std::size_t p = 0; p < shown; ++p)
            std::fprintf(out, "    %s\n", group.paths[p].c_str());
        if (group.paths.size() > shown)
            std::fprintf(out, "    ... and %zu more\n", group.paths.size() - shown);
    }
}
