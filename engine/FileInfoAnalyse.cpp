// SPDX-License-Identifier: MIT
#include "engine/FileInfoAnalyse.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "engine/ConfigInfo.h"
#include "storage/CFileInfoDB.h"

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// A connection that hands each file row to the build as SQLite delivers it,
// instead of keeping every row: the whole file table never sits in memory.
class FileRowReader : public CFileInfoDB {
public:
    FileRowReader(std::string path, FileInfoAnalyse& build)
        : CFileInfoDB(std::move(path)), build_(build) {}

protected:
    int addResultRow(int count, char** values, char** /*names*/) override {
        if (count == 3)
            build_.addRow(values[1] != nullptr ? values[1] : "",
                          values[2] != nullptr ? values[2] : "");
        return 0;
    }

private:
    FileInfoAnalyse& build_;
};

}  // namespace

bool FileInfoAnalyse::buildIndex() {
    FileRowReader database(ConfigInfo::global().getDatabasePath(), *this);
    (void)database.open();  // a connection that did not open makes the query fail
    if (!database.query("SELECT ID, MASK, FNAME FROM FILEINFO_FIF")) {
        database.close();
        return false;
    }
    indexWritten_ = database.writeIndex(sortedEntries());
    database.close();
    return true;
}

void FileInfoAnalyse::addRow(const char* mask, const char* name) {
    Group& group = masks_[mask];
    if (group.count++ == 0) group.name = name;
}

std::vector<std::string> FileInfoAnalyse::sortedEntries() const {
    std::vector<std::string> entries;
    entries.reserve(masks_.size());
    for (const auto& [mask, group] : masks_) {
        const std::int64_t waste = static_cast<std::int64_t>(group.count - 1) *
                                   static_cast<std::int64_t>(sizeFromMask(mask));
        entries.push_back(formatEntry(waste, group.count, mask, group.name));
    }
    // Byte order of the entries is the index order: the right-aligned waste
    // and count fields compare as numbers.
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::string FileInfoAnalyse::formatEntry(std::int64_t waste, int count, const std::string& mask,
                                         const std::string& name) {
    char number[32];
    std::snprintf(number, sizeof number, "%lld", static_cast<long long>(waste));
    char counted[16];
    std::snprintf(counted, sizeof counted, "%8d|", count);
    char head[64];
    std::snprintf(head, sizeof head, "%32s|%s", number, counted);
    return head + mask + "|" + name;
}

std::uint32_t FileInfoAnalyse::sizeFromMask(const std::string& mask) {
    if (mask.size() < 8) return 0;
    std::uint32_t size = 0;
    // Byte i of the size is written at characters 2i and 2i + 1.
    for (int i = 3; i >= 0; --i) {
        const int high = hexDigit(mask[2 * i]);
        const int low = hexDigit(mask[2 * i + 1]);
        if (high < 0 || low < 0) return 0;
        size = (size << 8) | static_cast<std::uint32_t>(high * 16 + low);
    }
    return size;
}
