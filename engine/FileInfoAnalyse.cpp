// SPDX-License-Identifier: MIT
#include "engine/FileInfoAnalyse.h"

#include <algorithm>
#include <cstdio>

#include "engine/ConfigInfo.h"
#include "storage/CFileInfoDB.h"

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

bool FileInfoAnalyse::buildIndex() {
    CFileInfoDB database(ConfigInfo::global().getDatabasePath());
    (void)database.open();  // a connection that did not open makes the query fail
    if (!database.query("SELECT ID, MASK, FNAME FROM FILEINFO_FIF")) {
        database.close();
        return false;
    }
    // Each row is released once counted, so the peak stays near one copy of the file table.
    CSqliteDB::Rows rows = database.takeResultRows();
    while (!rows.empty()) {
        const CSqliteDB::Row& row = rows.front();
        if (row.size() == 3) addRow(row[0], row[1], row[2]);
        rows.pop_front();
    }
    (void)database.writeIndex(sortedEntries());
    database.close();
    return true;
}

void FileInfoAnalyse::addRow(const std::string& id, const std::string& mask,
                             const std::string& name) {
    auto found = masks_.find(mask);
    if (found == masks_.end()) found = masks_.emplace(mask, name + "|").first;
    found->second += id;
    found->second += ';';
}

std::vector<std::string> FileInfoAnalyse::sortedEntries() const {
    std::vector<std::string> entries;
    entries.reserve(masks_.size());
    for (const auto& [mask, value] : masks_) {
        const auto bar = value.rfind('|');
        const auto count = static_cast<int>(std::count(value.begin() + bar, value.end(), ';'));
        const std::int64_t waste =
            static_cast<std::int64_t>(count - 1) * static_cast<std::int64_t>(sizeFromMask(mask));
        entries.push_back(formatEntry(waste, count, mask, value.substr(0, bar)));
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
