// SPDX-License-Identifier: MIT
#include "results/FileInfoLoader.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "engine/ConfigInfo.h"
#include "engine/FileCategories.h"
#include "engine/FileInfoAnalyse.h"
#include "storage/CDatabaseRecovery.h"
#include "util/FileUtility.h"
#include "util/platform/ReadOnlyFile.h"

namespace {

using RowView = CStreamingFileInfoDB::RowView;

// As the runtime's atoi reads a count: leading blanks, a sign, digits; a
// value beyond int is held at its limit instead of overflowing.
int leadingInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) return negative ? INT_MIN : INT_MAX;
    }
    return static_cast<int>(negative ? -value : value);
}

// A negative total can only come from a corrupt FNUM; it reads as 0 B.
std::string sizeText(std::int64_t bytes) {
    char buffer[32];
    return FileUtility::formatSize(buffer,
                                   static_cast<std::uint64_t>(std::max<std::int64_t>(bytes, 0)));
}

}  // namespace

FileInfoLoader::FileInfoLoader() : FileInfoLoader(ConfigInfo::global().getDatabasePath()) {}

FileInfoLoader::FileInfoLoader(std::string databasePath) : database_(std::move(databasePath)) {}

FileInfoLoader::~FileInfoLoader() = default;

bool FileInfoLoader::isDatabaseReady() {
    {
        platform::ReadOnlyFile file;
        if (!file.open(database_.databasePath())) return false;
    }
    // A damaged file is set aside before the first open, silently: the
    // analysis that a database without an index starts then makes a new one.
    if (!database_.isOpen()) static_cast<void>(CDatabaseRecovery(database_.databasePath()).check());
    static_cast<void>(database_.open());
    return database_.tableExists("FILEINFO_IDX");
}

void FileInfoLoader::loadCategoryTable() {
    if (categories_ == nullptr) categories_ = std::make_unique<FileCategories>();
}

bool FileInfoLoader::isInCategory(int code, const std::string& nameWithBar) const {
    if (code == kAll) return true;
    const std::size_t bar = nameWithBar.rfind('|');
    const std::string_view name(nameWithBar.data(),
                                bar == std::string::npos ? nameWithBar.size() : bar);
    return categoryOf(name) == code;
}

// The category of a bare file name; 4 until the table is loaded.
int FileInfoLoader::categoryOf(std::string_view name) const {
    return categories_ == nullptr ? kOther : categories_->of(name);
}

bool FileInfoLoader::loadGroups(int code) {
    clearGroups();
    // The old tree's leaves name the old groups; it goes before the new ones come.
    pathTree_.clear();
    static_cast<void>(database_.open());
    // Without its scope the result could show files the analysis left out.
    if (!scope_.load(database_, AnalysisScope::Stored::Analysed)) return false;
    const bool read = database_.streamRows(
        [this] { return database_.queryIndex(); },
        [this, code](const RowView& row) {
            if (row.size() != 3) return true;
            const std::string_view fnum = row[0], mask = row[1], fname = row[2];
            if (code != kAll && categoryOf(fname) != code) return true;
            const std::int64_t count = leadingInt(fnum);
            const std::int64_t size = FileInfoAnalyse::sizeFromMask(mask);
            totalBytes_ += count * size;
            if (count > 1) duplicateBytes_ += (count - 1) * size;
            groups_.append(fnum, mask, fname);
            return true;
        });
    if (!read) clearGroups();
    return read;
}

bool FileInfoLoader::buildPathTree(int code) {
    pathTree_.clear();
    static_cast<void>(database_.open());
    std::string path;
    const bool read = database_.streamRows(
        [this] {
            return scope_.coversEveryDrive() ? database_.queryAllFiles()
                                             : database_.queryAllFilesUnder(scope_.roots());
        },
        [this, code, &path](const RowView& row) {
            if (row.size() != 3) return true;
            const std::string_view mask = row[0], folder = row[1], name = row[2];
            if (code != kAll && categoryOf(name) != code) return true;
            // Stored folder paths end with a backslash: no separator is added.
            path.assign(folder).append(name);
            const int group = groups_.find(mask);
            pathTree_.addPath(path, group < 0 ? kNoGroup : group);
            return true;
        });
    if (!read) pathTree_.clear();
    return read;
}

GroupTable::Row FileInfoLoader::GetFileInfo(int index) const {
    if (index < 0 || index >= groups_.size())
        throw "FileInfoLoader::GetFileInfo: index not exist/0";
    return groups_.row(index);
}

std::vector<std::string> FileInfoLoader::getGroupFiles(const std::string& mask) {
    static_cast<void>(database_.open());
    std::vector<std::string> paths;
    const bool read = database_.streamRows(
        [this, &mask] {
            return scope_.coversEveryDrive()
                       ? database_.queryFilesByMask(mask)
                       : database_.queryFilesByMaskUnder(mask, scope_.roots());
        },
        [&paths](const RowView& row) {
            if (row.size() >= 2) paths.emplace_back(std::string(row[0]).append(row[1]));
            return true;
        });
    if (!read) paths.clear();
    return paths;
}

std::string FileInfoLoader::getTotalSizeText() const {
    return sizeText(totalBytes_);
}

std::string FileInfoLoader::getDuplicateSizeText() const {
    return sizeText(duplicateBytes_);
}

void FileInfoLoader::clearGroups() {
    groups_.clear();
    totalBytes_ = 0;
    duplicateBytes_ = 0;
}
