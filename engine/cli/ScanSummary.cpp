// SPDX-License-Identifier: MIT
#include "engine/cli/ScanSummary.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_map>
#include <utility>

#include "engine/FileInfoAnalyse.h"
#include "storage/CFileInfoDB.h"
#include "util/FileUtility.h"
#include "util/platform/FileSystem.h"

namespace {

// A connection that keeps, of all file rows (MASK, folder, name), only the
// full paths of the wanted groups: one pass over the files for all groups.
class GroupFileReader : public CFileInfoDB {
public:
    GroupFileReader(std::string path,
                    const std::unordered_map<std::string, std::vector<std::string>*>& wanted)
        : CFileInfoDB(std::move(path)), wanted_(wanted) {}

protected:
    int addResultRow(int count, char** values, char** /*names*/) override {
        if (count != 3 || values[0] == nullptr || values[1] == nullptr || values[2] == nullptr)
            return 0;
        const auto found = wanted_.find(values[0]);
        if (found == wanted_.end()) return 0;
        const std::string path = std::string(values[1]) + values[2];
        const std::string native = platform::toNativePath(path);
        found->second->push_back(native.empty() ? path : native);
        return 0;
    }

private:
    const std::unordered_map<std::string, std::vector<std::string>*>& wanted_;
};

std::string sizeText(std::uint64_t bytes) {
    char buffer[32];
    return FileUtility::formatSize(buffer, bytes);
}

}  // namespace

bool ScanSummary::load(const std::string& databasePath, std::size_t topGroups, std::string& error) {
    CFileInfoDB database(databasePath);
    if (!database.open() || !database.queryIndex()) {
        error = database.errorText();
        return false;
    }
    // Rows (FNUM, MASK, FNAME) in ID order: the most wasteful group first.
    for (const CSqliteDB::Row& row : database.takeResultRows()) {
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
    return top.empty() || loadPaths(databasePath, error);
}

bool ScanSummary::loadPaths(const std::string& databasePath, std::string& error) {
    std::unordered_map<std::string, std::vector<std::string>*> wanted;
    for (Group& group : top) wanted[group.mask] = &group.paths;
    GroupFileReader reader(databasePath, wanted);
    if (!reader.open() || !reader.queryAllFiles()) {
        error = reader.errorText();
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
        std::fprintf(out, "%2zu. %llu bytes wasted: %d copies of %llu bytes (%s)\n", i + 1,
                     u(group.waste), group.count, u(group.size), group.name.c_str());
        const std::size_t shown = std::min(group.paths.size(), pathsPerGroup);
        for (std::size_t p = 0; p < shown; ++p)
            std::fprintf(out, "    %s\n", group.paths[p].c_str());
        if (group.paths.size() > shown)
            std::fprintf(out, "    ... and %zu more\n", group.paths.size() - shown);
    }
}
