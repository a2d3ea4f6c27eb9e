// SPDX-License-Identifier: MIT
#include "engine/cli/ScanSummary.h"

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <unordered_map>
#include <utility>

#include "engine/AnalysisScope.h"
#include "engine/FileInfoAnalyse.h"
#include "engine/GroupCheck.h"
#include "engine/cli/VerifyRun.h"
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

std::string nativePath(const std::string& path) {
    const std::string native = platform::toNativePath(path);
    return native.empty() ? path : native;
}

std::string sizeText(std::uint64_t bytes) {
    char buffer[32];
    return FileUtility::formatSize(buffer, bytes);
}

}  // namespace

bool ScanSummary::load(const std::string& databasePath, std::size_t topGroups, std::string& error,
                       bool withPaths, std::uint64_t minSize) {
    AnalysisScope scope;
    CSqliteDB scopeReader(databasePath);
    if (!scopeReader.open() || !scope.load(scopeReader, AnalysisScope::Stored::Analysed)) {
        error = scopeReader.errorText();
        return false;
    }
    // Rows (FNUM, MASK, FNAME) in ID order: the most wasteful group first.
    RowReader index(databasePath, [&](const char* fnum, const char* mask, const char* name) {
        addGroup(std::atoi(fnum), mask, name, topGroups, minSize);
    });
    if (!index.open() || !index.queryIndex()) {
        error = index.errorText();
        return false;
    }
    return top.empty() || !withPaths || loadPaths(databasePath, scope, error);
}

void ScanSummary::addGroup(int fileCount, const char* mask, const char* name, std::size_t topGroups,
                           std::uint64_t minSize) {
    const auto count = static_cast<std::uint64_t>(std::max(fileCount, 0));
    const std::uint64_t size = FileInfoAnalyse::sizeFromMask(mask);
    if (size < minSize) return;
    const std::uint64_t waste = count > 0 ? (count - 1) * size : 0;
    ++groups;
    storedFiles += count;
    totalBytes += count * size;
    duplicateBytes += waste;
    if (count < 2) return;
    ++duplicateGroups;
    duplicateMasks.emplace_back(mask);
    if (waste == 0 || top.size() >= topGroups) return;
    Group group;
    group.count = fileCount;
    group.mask = mask;
    group.name = name;
    group.size = size;
    group.waste = waste;
    top.push_back(std::move(group));
}

bool ScanSummary::loadPaths(const std::string& databasePath, const AnalysisScope& scope,
                            std::string& error) {
    // One pass over the file rows (MASK, folder, name) finds the files of every top group.
    std::unordered_map<std::string, std::vector<std::string>*> wanted;
    std::vector<std::string> masks;
    for (Group& group : top) {
        wanted[group.mask] = &group.paths;
        masks.push_back(group.mask);
    }
    RowReader files(databasePath, [&](const char* mask, const char* folder, const char* name) {
        const auto found = wanted.find(mask);
        if (found == wanted.end() || !scope.holds(folder)) return;
        found->second->push_back(nativePath(std::string(folder) + name));
    });
    if (!files.open() || !files.queryFilesWithMasks(masks)) {
        error = files.errorText();
        return false;
    }
    for (Group& group : top) std::sort(group.paths.begin(), group.paths.end());
    return true;
}

void ScanSummary::print(std::FILE* out, std::uint32_t filesHandled, std::size_t pathsPerGroup,
                        const VerifyRun* verified) const {
    const auto u = [](std::uint64_t n) { return static_cast<unsigned long long>(n); };
    std::fprintf(out, "\nFiles handled:    %lu\n", static_cast<unsigned long>(filesHandled));
    std::fprintf(out, "Files stored:     %llu\n", u(storedFiles));
    std::fprintf(out, "Groups:           %llu\n", u(groups));
    std::fprintf(out, "Duplicate groups: %llu\n", u(duplicateGroups));
    std::fprintf(out, "Total bytes:      %llu (%s)\n", u(totalBytes), sizeText(totalBytes).c_str());
    std::fprintf(out, "Duplicate bytes:  %llu (%s)\n", u(duplicateBytes),
                 sizeText(duplicateBytes).c_str());
    if (verified != nullptr) printVerified(out, *verified);
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
        if (const GroupCheck* checked =
                verified != nullptr ? verified->find(group.mask) : nullptr) {
            printClasses(out, *checked, pathsPerGroup);
            continue;
        }
        const std::size_t shown = std::min(group.paths.size(), pathsPerGroup);
        for (std::size_t p = 0; p < shown; ++p)
            std::fprintf(out, "    %s\n", group.paths[p].c_str());
        if (group.paths.size() > shown)
            std::fprintf(out, "    ... and %zu more\n", group.paths.size() - shown);
    }
}

void ScanSummary::printVerified(std::FILE* out, const VerifyRun& verified) const {
    const auto u = [](std::uint64_t n) { return static_cast<unsigned long long>(n); };
    std::fprintf(out, "Groups confirmed: %llu\n", u(verified.confirmed));
    std::fprintf(out, "Groups partly:    %llu\n", u(verified.partly));
    std::fprintf(out, "Groups refuted:   %llu\n", u(verified.refuted));
    std::fprintf(out, "Groups unknown:   %llu\n", u(verified.unknown));
    std::fprintf(out, "Verified duplicate bytes: %llu (%s)\n", u(verified.verifiedBytes),
                 sizeText(verified.verifiedBytes).c_str());
}

void ScanSummary::printClasses(std::FILE* out, const GroupCheck& group, std::size_t pathsPerGroup) {
    const std::uint64_t reclaimable = group.reclaimableBytes();
    std::fprintf(out, "    %s: %llu bytes verified duplicate (%s)\n", groupStateName(group.state),
                 static_cast<unsigned long long>(reclaimable), sizeText(reclaimable).c_str());
    // One block per class of copies, then the unique, changed and unreadable files.
    std::vector<std::pair<std::string, std::vector<std::string>>> blocks;
    std::vector<std::string> unique;
    for (std::size_t c = 0; c < group.classes.size(); ++c) {
        const bool copy = group.distinctFiles(static_cast<int>(c)) >= 2;
        if (copy)
            blocks.emplace_back("copies " + std::to_string(blocks.size() + 1),
                                std::vector<std::string>());
        std::vector<std::string>& paths = copy ? blocks.back().second : unique;
        for (const int i : group.classes[c]) {
            const CheckedFile& file = group.files[static_cast<std::size_t>(i)];
            paths.push_back(nativePath(file.path()) + (file.linkSet >= 0 ? "  (hard link)" : ""));
        }
    }
    if (!unique.empty()) blocks.emplace_back("unique", std::move(unique));
    std::vector<std::string> changed, unreadable;
    for (const CheckedFile& file : group.files) {
        if (file.status == CheckedFile::Status::Changed)
            changed.push_back(nativePath(file.path()));
        else if (file.status == CheckedFile::Status::Unreadable)
            unreadable.push_back(nativePath(file.path()) + " (" + file.reason + ")");
    }
    if (!changed.empty()) blocks.emplace_back("changed since the analysis", std::move(changed));
    if (!unreadable.empty()) blocks.emplace_back("unreadable", std::move(unreadable));
    std::size_t shown = 0;
    for (auto& [title, paths] : blocks) {
        if (shown >= pathsPerGroup) break;
        std::sort(paths.begin(), paths.end());
        std::fprintf(out, "    %s:\n", title.c_str());
        for (std::size_t p = 0; p < paths.size(); ++p, ++shown) {
            if (shown >= pathsPerGroup) {
                std::fprintf(out, "      ... and %zu more\n", paths.size() - p);
                break;
            }
            std::fprintf(out, "      %s\n", paths[p].c_str());
        }
    }
}
