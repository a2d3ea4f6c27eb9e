// SPDX-License-Identifier: MIT
// The inventory is read in three passes, each one statement: the folder rows
// (those of the analysed scope are kept), the file rows of those folders,
// and the cache rows in key order (FOLDERID, FNAME), which are merged with
// each folder's files sorted by name. Classes are then numbered densely.
#include "engine/FolderInventoryLoader.h"

#include <sqlite3.h>
#define XXH_INLINE_ALL
#include <xxhash.h>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "engine/AnalysisScope.h"
#include "engine/CheckedContent.h"
#include "engine/FileInfoAnalyse.h"
#include "engine/FileSpaceTable.h"
#include "storage/CSqliteDB.h"
#include "util/platform/FileSystem.h"

namespace {

constexpr int kBusyTimeoutMs = 3000;
const char* const kFolders = "SELECT ID, FNAME FROM FILEINFO_DIF";
const char* const kFiles = "SELECT FOLDERID, FNAME, MASK, FTIME FROM FILEINFO_FIF";
// Rows of the cache's earlier layout, without the file's identity and fine
// times, describe no file: the check reads those files again.
const char* const kCache =
    "SELECT FOLDERID, FNAME, FTIME, MASK, LENGTH, HASH FROM CONTENT_HASH WHERE HASH <> '' AND "
    "DEVICE IS NOT NULL AND FILENUMBER IS NOT NULL AND MTIME_NS IS NOT NULL AND CTIME_NS IS NOT "
    "NULL ORDER BY FOLDERID, FNAME";
const char* const kCacheColumns =
    "SELECT COUNT(*) FROM pragma_table_info('CONTENT_HASH') WHERE name IN ('DEVICE', "
    "'FILENUMBER', 'MTIME_NS', 'CTIME_NS')";

std::string_view column(sqlite3_stmt* statement, int index) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
    return text == nullptr
               ? std::string_view()
               : std::string_view(text, std::size_t(sqlite3_column_bytes(statement, index)));
}

std::uint64_t maskKey(std::string_view mask) {
    return XXH3_64bits(mask.data(), mask.size());
}

// A confirmed content as the cache names it: its length and hash.
struct ContentKey {
    std::uint64_t length = 0;
    std::uint64_t high = 0, low = 0;
    bool operator==(const ContentKey& other) const {
        return length == other.length && high == other.high && low == other.low;
    }
};
struct ContentKeyHash {
    std::size_t operator()(const ContentKey& key) const {
        return std::size_t(key.low ^ (key.high * 0x9E3779B97F4A7C15ull) ^ (key.length << 1));
    }
};

// 32 hexadecimal digits as two numbers; false for anything else.
bool parseDigest(std::string_view digits, ContentKey& key) {
    if (digits.size() != 32) return false;
    std::uint64_t parts[2] = {0, 0};
    for (std::size_t i = 0; i < 32; ++i) {
        const char c = digits[i];
        const int value = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (value < 0) return false;
        parts[i / 16] = parts[i / 16] << 4 | std::uint64_t(value);
    }
    key.high = parts[0];
    key.low = parts[1];
    return true;
}

// Which file a hard-linked name is (device, file number).
struct FileIdentityKey {
    std::uint64_t device = 0, inode = 0;
    bool operator==(const FileIdentityKey& other) const {
        return device == other.device && inode == other.inode;
    }
};
struct FileIdentityHash {
    std::size_t operator()(const FileIdentityKey& key) const {
        return std::size_t(key.inode * 0x9E3779B97F4A7C15ull ^ key.device);
    }
};

bool isEmptyMask(std::string_view mask) {
    return mask.size() == 80 && mask.find_first_not_of('0') == std::string_view::npos;
}

}  // namespace

struct FolderInventoryLoader::Impl {
    // What the pass over the file rows found of each file kept, in the order added.
    struct Added {
        std::uint64_t mask = 0;
        const CheckedContent::Answer* answer = nullptr;
        bool checked = false;  // its group has a result in `checked`
        bool emptyMask = false;
        bool spaceRow = false;  // FILE_SPACE gave its length and allocation
        std::uint64_t allocated = 0;
        bool sharedMask = false;  // another file of the scope has its MASK
    };
    // A FILE_SPACE row, by keyOf(FOLDERID, FNAME).
    static std::string keyOf(std::int64_t folderId, std::string_view name) {
        std::string key = std::to_string(folderId);
        key.append(1, '/').append(name);
        return key;
    }

    Impl(std::string path, const CheckedContent* results)
        : database(std::move(path)), checked(results) {}

    bool fail(std::string& error) {
        error = database.errorText();
        return false;
    }
    bool readFolders(std::string& error);
    bool readSpace(std::string& error);
    bool readFiles(std::string& error);
    void fillAllocation(FolderInventory& inventory, const std::vector<std::uint32_t>& order) const;
    void markSharedMasks();
    bool readCache(FolderInventory& inventory, const std::vector<std::uint32_t>& order,
                   std::vector<bool>& cached, Counts& counts, std::string& error);
    void classifyRest(FolderInventory& inventory, const std::vector<std::uint32_t>& order,
                      const std::vector<bool>& cached, Counts& counts);

    CSqliteDB database;
    const CheckedContent* checked;
    AnalysisScope scope;
    std::unordered_set<std::uint64_t> checkedMasks;
    FolderInventory::Builder builder;
    std::vector<Added> added;
    std::unordered_map<ContentKey, std::uint32_t, ContentKeyHash> hashClass;
    std::unordered_map<std::uint64_t, std::uint32_t> checkedClass;
    std::uint32_t nextClass = FolderInventory::kEmptyContent + 1;
    bool sizesOnly = false;  // loadSizes(): no names, no content
    std::unordered_map<std::string, FileSpaceTable::Entry> space;
    std::unordered_map<FileIdentityKey, std::uint32_t, FileIdentityHash> linkFirst;
};

// The scan's FILE_SPACE rows (few: long, linked, sparse or preallocated
// files); a database written before the table existed has none.
bool FolderInventoryLoader::Impl::readSpace(std::string& error) {
    if (!database.tableExists("FILE_SPACE")) return true;
    CSqliteDB::Statement statement;
    if (!database.prepare(statement, FileSpaceTable::selectSql())) return fail(error);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        sqlite3_stmt* row = statement.get();
        const auto value = [row](int index) {
            return static_cast<std::uint64_t>(sqlite3_column_int64(row, index));
        };
        space[keyOf(sqlite3_column_int64(row, 0), column(row, 1))] =
            FileSpaceTable::Entry{value(2), value(3), value(4), value(5), value(6)};
    }
    return step == SQLITE_DONE || fail(error);
}

bool FolderInventoryLoader::Impl::readFolders(std::string& error) {
    CSqliteDB::Statement statement;
    if (!database.prepare(statement, kFolders)) return fail(error);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        const std::string_view path = column(statement.get(), 1);
        if (scope.holds(path))
            builder.addFolder(sqlite3_column_int64(statement.get(), 0), std::string(path));
    }
    return step == SQLITE_DONE || fail(error);
}

bool FolderInventoryLoader::Impl::readFiles(std::string& error) {
    CSqliteDB::Statement statement;
    if (!database.prepare(statement, kFiles)) return fail(error);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        sqlite3_stmt* row = statement.get();
        const std::int64_t folderId = sqlite3_column_int64(row, 0);
        const std::string_view name = column(row, 1);
        const std::string_view mask = column(row, 2);
        const auto ordinal = std::uint32_t(builder.fileCount());
        // The MASK holds the low 32 bits of the length; FILE_SPACE the rest,
        // and which names are links of one file.
        const FileSpaceTable::Entry* entry = nullptr;
        if (!space.empty()) {
            const auto found = space.find(keyOf(folderId, name));
            if (found != space.end()) entry = &found->second;
        }
        std::uint32_t identity = ordinal;
        if (entry != nullptr && entry->links > 1)
            identity = linkFirst.emplace(FileIdentityKey{entry->device, entry->inode}, ordinal)
                           .first->second;
        const std::uint64_t length =
            entry != nullptr ? entry->length : FileInfoAnalyse::sizeFromMask(mask);
        if (!builder.addFile(folderId, sizesOnly ? std::string_view() : name, length,
                             sqlite3_column_int64(row, 3), FolderInventory::kUnconfirmed, identity))
            continue;
        Added file;
        file.spaceRow = entry != nullptr;
        if (entry != nullptr) file.allocated = entry->allocated;
        if (sizesOnly) {
            added.push_back(file);
            continue;
        }
        file.mask = maskKey(mask);
        file.emptyMask = isEmptyMask(mask) && length == 0;
        file.checked = checkedMasks.count(file.mask) > 0;
        if (file.checked) file.answer = checked->find(folderId, name);
        added.push_back(file);
    }
    return step == SQLITE_DONE || fail(error);
}

// Marks the files whose MASK another file has too: the masks sorted with the
// files' places, equal neighbours shared (a sort is several times quicker
// than counting a million masks in a hash map).
void FolderInventoryLoader::Impl::markSharedMasks() {
    std::vector<std::pair<std::uint64_t, std::uint32_t>> byMask;
    byMask.reserve(added.size());
    for (std::uint32_t i = 0; i < added.size(); ++i) byMask.emplace_back(added[i].mask, i);
    std::sort(byMask.begin(), byMask.end());
    for (std::size_t i = 0; i + 1 < byMask.size(); ++i)
        if (byMask[i].first == byMask[i + 1].first)
            added[byMask[i].second].sharedMask = added[byMask[i + 1].second].sharedMask = true;
}

// Merges the cache rows (in key order) with the files of each folder sorted
// by name, byte for byte as SQLite orders them.
bool FolderInventoryLoader::Impl::readCache(FolderInventory& inventory,
                                            const std::vector<std::uint32_t>& order,
                                            std::vector<bool>& cached, Counts& counts,
                                            std::string& error) {
    if (!database.tableExists("CONTENT_HASH")) return true;
    CSqliteDB::Statement columns;
    if (!database.prepare(columns, kCacheColumns) || sqlite3_step(columns.get()) != SQLITE_ROW)
        return fail(error);
    if (sqlite3_column_int(columns.get(), 0) != 4) return true;  // a table no check has opened
    CSqliteDB::Statement statement;
    if (!database.prepare(statement, kCache)) return fail(error);
    std::unordered_map<std::int64_t, std::uint32_t> folderOfRow;
    for (std::uint32_t f = 0; f < inventory.folders_.size(); ++f)
        folderOfRow.emplace(inventory.folders_[f].rowId, f);
    std::int64_t currentId = -1;
    std::vector<std::uint32_t> names;  // the current folder's files, by name
    std::size_t next = 0;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        sqlite3_stmt* row = statement.get();
        const std::int64_t folderId = sqlite3_column_int64(row, 0);
        if (folderId != currentId) {
            currentId = folderId;
            names.clear();
            next = 0;
            const auto found = folderOfRow.find(folderId);
            if (found == folderOfRow.end()) continue;
            const FolderInventory::Folder& folder = inventory.folders_[found->second];
            for (std::uint32_t i = folder.firstFile; i < folder.fileEnd; ++i) names.push_back(i);
            if (inventory.foldCase_)
                std::sort(names.begin(), names.end(), [&](std::uint32_t a, std::uint32_t b) {
                    return inventory.name(inventory.files_[a]) <
                           inventory.name(inventory.files_[b]);
                });
        }
        const std::string_view name = column(row, 1);
        while (next < names.size() && inventory.name(inventory.files_[names[next]]) < name) ++next;
        if (next == names.size() || inventory.name(inventory.files_[names[next]]) != name) continue;
        const std::uint32_t index = names[next];
        FolderInventory::File& file = inventory.files_[index];
        const Added& known = added[order[index]];
        ContentKey key;
        key.length = std::uint64_t(sqlite3_column_int64(row, 4));
        // A row taken for another version of the file row says nothing.
        if (known.checked || sqlite3_column_int64(row, 2) != file.rowTime ||
            maskKey(column(row, 3)) != known.mask || !parseDigest(column(row, 5), key))
            continue;
        const auto [found, inserted] = hashClass.try_emplace(key, nextClass);
        if (inserted) ++nextClass;
        file.content = found->second;
        file.length = key.length;
        cached[index] = true;
        ++counts.fromCache;
    }
    return step == SQLITE_DONE || fail(error);
}

void FolderInventoryLoader::Impl::classifyRest(FolderInventory& inventory,
                                               const std::vector<std::uint32_t>& order,
                                               const std::vector<bool>& cached, Counts& counts) {
    std::unordered_map<std::uint64_t, std::uint32_t> firstName;  // link set -> its first file
    for (std::uint32_t i = 0; i < inventory.files_.size(); ++i) {
        FolderInventory::File& file = inventory.files_[i];
        const Added& known = added[order[i]];
        if (cached[i]) continue;
        if (known.checked) {
            const CheckedContent::Answer* answer = known.answer;
            if (answer != nullptr && answer->linkSet != CheckedContent::kNone)
                file.identity = firstName.try_emplace(answer->linkSet, i).first->second;
            if (answer == nullptr || answer->contentClass == CheckedContent::kNone) {
                ++counts.unconfirmed;
                continue;
            }
            const auto [found, inserted] =
                checkedClass.try_emplace(answer->contentClass, nextClass);
            if (inserted) ++nextClass;
            file.content = found->second;
            file.length = answer->length;
            ++counts.fromCheck;
        } else if (known.emptyMask) {
            file.content = FolderInventory::kEmptyContent;
            file.length = 0;
            ++counts.empty;
        } else if (!known.sharedMask) {
            file.content = nextClass++;
            ++counts.unique;
        } else {
            ++counts.unconfirmed;
        }
    }
}

// What each file's blocks take: its FILE_SPACE row's, else its length rounded
// up to the block (the scan writes a row wherever that is not so).
void FolderInventoryLoader::Impl::fillAllocation(FolderInventory& inventory,
                                                 const std::vector<std::uint32_t>& order) const {
    for (std::uint32_t i = 0; i < inventory.files_.size(); ++i) {
        FolderInventory::File& file = inventory.files_[i];
        const Added& known = added[order[i]];
        file.allocated = known.spaceRow ? known.allocated : FileSpaceTable::roundedUp(file.length);
    }
}

bool FolderInventoryLoader::load(FolderInventory& out, const CheckedContent* checked) {
    return read(out, checked, false);
}

bool FolderInventoryLoader::loadSizes(FolderInventory& out) {
    return read(out, nullptr, true);
}

bool FolderInventoryLoader::read(FolderInventory& out, const CheckedContent* checked,
                                 bool sizesOnly) {
    out = FolderInventory();
    counts_ = Counts();
    Impl impl(databasePath_, checked);
    impl.sizesOnly = sizesOnly;
    if (!impl.database.open() ||
        !impl.database.execute("PRAGMA busy_timeout = " + std::to_string(kBusyTimeoutMs))) {
        errorText_ = impl.database.errorText();
        return false;
    }
    if (!impl.scope.load(impl.database, AnalysisScope::Stored::Analysed)) {
        errorText_ = "the analysed folders cannot be read: " + impl.database.errorText();
        return false;
    }
    if (checked != nullptr)
        for (const std::string& mask : checked->masks()) impl.checkedMasks.insert(maskKey(mask));
    if (!impl.readFolders(errorText_) || !impl.readSpace(errorText_) || !impl.readFiles(errorText_))
        return false;
    if (!sizesOnly) impl.markSharedMasks();
    std::vector<std::uint32_t> order;
    FolderInventory inventory = impl.builder.finish(platform::pathsIgnoreCase(), &order);
    if (!sizesOnly) {
        std::vector<bool> cached(inventory.files_.size(), false);
        if (!impl.readCache(inventory, order, cached, counts_, errorText_)) return false;
        impl.classifyRest(inventory, order, cached, counts_);
    }
    impl.fillAllocation(inventory, order);
    counts_.files = inventory.files_.size();
    out = std::move(inventory);
    return true;
}
