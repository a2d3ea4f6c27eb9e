// SPDX-License-Identifier: MIT
#include "engine/cli/ScanSummary.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <unordered_map>
#include <utility>

#include "engine/FileInfoAnalyse.h"
#include "storage/CFileInfoDB.h"
#include "util/FileUtility.h"
#include "util/platform/FileSystem.h"

namespace {

// A connection that hands each row of three columns to `onRow` as SQLite
// delivers it, so no result is kept whole.
class RowReader : public CFileInfoDB {
public:
    using Handler = std::function<void(const char*, const char*, const char*)>;
    RowReader(std::string path, Handler onRow)
        : CFileInfoDB(std::move(path)), onRow_(std::move(onRow)) {}

protected:
    int addResultRow(int count, char** values, char** /*names*/) override {
        if (count == 3 && values[0] != nullptr && values[1] != nullptr && values[2] != nullptr)
            onRow_(values[0], values[1], values[2]);
        return 0;
    }

private:
    Handler onRow_;
};

std::string sizeText(std::uint64_t bytes) {
    char buffer[32];
    return FileUtility::formatSize(buffer, bytes);
}

}  // namespace

bool ScanSummary::load(const std::string& databasePath, std::size_t topGroups, std::string& error) {
    // Rows (FNUM, MASK, FNAME) in ID order: the most wasteful group first.
    RowReader index(databasePath, [&](const char* fnum, const char* mask, const char* name) {
        addGroup(std::atoi(fnum), mask, name, topGroups);
    });
    if (!index.open() || !index.queryIndex()) {
        error = index.errorText();
        return false;
    }
    return top.empty() || loadPaths(databasePath, error);
}

void ScanSummary::addGroup(int fileCount, const char* mask, const char* name,
                           std::size_t topGroups) {
    const auto count = static_cast<std::uint64_t>(std::max(fileCount, 0));
    const std::uint64_t size = FileInfoAnalyse::sizeFromMask(mask);
    const std::uint64_t waste = count > 0 ? (count - 1) * size : 0;
    ++groups;
    storedFiles += count;
    totalBytes += count * size;
    duplicateBytes += waste;
    if (count < 2) return;
    ++duplicateGroups;
    if (waste == 0 || top.size() >= topGroups) return;
    Group group;
    group.count = fileCount;
    group.mask = mask;
    group.name = name;
    group.size = size;
    group.waste = waste;
    top.push_back(std::move(group));
}

bool ScanSummary::loadPaths(const std::string& databasePath, std::string& error) {
    // One pass over all file rows (MASK, folder, name) finds the files of every top group.
    std::unordered_map<std::string, std::vector<std::string>*> wanted;
    for (Group& group : top) wanted[group.mask] = &group.paths;
    RowReader files(databasePath, [&](const char* mask, const char* folder, const char* name) {
        const auto found = wanted.find(mask);
        if (found == wanted.end()) return;
        const std::string path = std::string(folder) + name;
        const std::string native = platform::toNativePath(path);
        found->second->push_back(native.empty() ? path : native);
    });
    if (!files.open() || !files.queryAllFiles()) {
        error = files.errorText();
        return false;
    }
    for (Group& group : top) std::sort(group.paths.begin(), group.paths.end());
    return true;
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
        std::fprintf(out, "%2zu. %d copies of %s, %llu bytes each: %llu bytes wasted (%s)\n", i + 1,
                     group.count, group.name.c_str(), u(group.size), u(group.waste),
                     sizeText(group.waste).c_str());
        const std::size_t shown = std::min(group.paths.size(), pathsPerGroup);
        for (std::size_t p = 0; p < shown; ++p)
            std::fprintf(out, "    %s\n", group.paths[p].c_str());
        if (group.paths.size() > shown)
            std::fprintf(out, "    ... and %zu more\n", group.paths.size() - shown);
    }
}
