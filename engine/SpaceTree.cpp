// SPDX-License-Identifier: MIT
#include "engine/SpaceTree.h"

#include <algorithm>
#include <unordered_set>

#include "engine/ContentChecker.h"
#include "engine/FileCategories.h"
#include "engine/FolderInventoryLoader.h"
#include "engine/SpaceFigures.h"
#include "engine/SpaceHistory.h"
#include "storage/CFileInfoDB.h"
#include "util/platform/DriveSpace.h"

namespace {

constexpr int kBusyTimeoutMs = 3000;
const char* const kUnscannedName = "未扫描";

std::string withoutSlash(std::string path) {
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

}  // namespace

struct SpaceTree::Data {
    std::string databasePath;
    FolderInventory inventory;
    std::unique_ptr<FolderCopies> copies;
    std::unique_ptr<SpaceFigures> figures;
    std::vector<std::uint32_t> rootFolder;  // per drive: the folder of its root, or kNoFolder
    std::vector<std::uint64_t> unscanned;   // per drive
    SpaceHistory::Run latest, previous;
    FileCategories categories;
    std::vector<bool> linked;  // per file: another name shares its identity

    // Whether file `i` is the first name of its file met in a walk that
    // records them in `seen`.
    bool firstMet(std::uint32_t i, std::unordered_set<std::uint32_t>& seen) const {
        return !linked[i] || seen.insert(inventory.files()[i].identity).second;
    }
    std::uint32_t folderCount() const { return std::uint32_t(inventory.folders().size()); }
    bool isFolder(NodeId node) const { return node < folderCount(); }
    bool isDrive(NodeId node) const { return figures->isDrive(node); }
    // The node a folder shows as: a drive's analysed root is the drive.
    NodeId shown(NodeId node) const {
        if (!isFolder(node)) return node;
        const NodeId drive = figures->driveOf(node);
        return rootFolder[drive - folderCount()] == node ? drive : node;
    }
    // The folder whose subfolders a node's rows are: a drive's analysed root.
    std::uint32_t folderBehind(NodeId node) const {
        return isDrive(node) ? rootFolder[node - folderCount()] : node;
    }
    Figures figuresOf(NodeId node, const std::string& path) const;
    // The files of `node`'s subtree as runs of file indices.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> fileRuns(NodeId node) const;
};

SpaceTree::Figures SpaceTree::Data::figuresOf(NodeId node, const std::string& path) const {
    const SpaceFigures::Totals& totals = figures->totals(node);
    Figures out;
    out.diskUsage = totals.diskUsage;
    out.size = totals.size;
    out.files = totals.files;
    out.copiedBytes = totals.copiedBytes;
    out.allCopied = totals.allCopied;
    if (previous.time != 0) {
        const auto found = previous.folders.find(path);
        if (found != previous.folders.end()) {
            out.hasChange = true;
            out.change = std::int64_t(totals.size) - std::int64_t(found->second.size);
        }
    }
    return out;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> SpaceTree::Data::fileRuns(NodeId node) const {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> runs;
    const auto& folders = inventory.folders();
    if (isFolder(node)) {
        runs.emplace_back(folders[node].firstFile, inventory.subtreeFileEnd(node));
    } else if (isDrive(node)) {
        for (std::uint32_t f = 0; f < folders.size(); f = folders[f].end)
            if (figures->driveOf(f) == node)
                runs.emplace_back(folders[f].firstFile, inventory.subtreeFileEnd(f));
    }
    return runs;
}

SpaceTree::SpaceTree() = default;
SpaceTree::~SpaceTree() = default;
SpaceTree::SpaceTree(SpaceTree&&) noexcept = default;
SpaceTree& SpaceTree::operator=(SpaceTree&&) noexcept = default;

bool SpaceTree::load(const std::string& databasePath, const CheckedContent* checked) {
    data_.reset();
    errorText_.clear();
    auto data = std::make_unique<Data>();
    data->databasePath = databasePath;
    FolderInventoryLoader loader(databasePath);
    if (!loader.load(data->inventory, checked)) {
        errorText_ = loader.errorText();
        return false;
    }
    {
        CSqliteDB database(databasePath);
        if (!database.open() ||
            !database.execute("PRAGMA busy_timeout = " + std::to_string(kBusyTimeoutMs)) ||
            !SpaceHistory::load(database, data->latest, data->previous)) {
            errorText_ = database.errorText();
            return false;
        }
    }
    {
        const auto& files = data->inventory.files();
        std::vector<std::uint32_t> names(files.size(), 0);
        for (const FolderInventory::File& file : files) ++names[file.identity];
        data->linked.resize(files.size());
        for (std::uint32_t i = 0; i < files.size(); ++i)
            data->linked[i] = names[files[i].identity] > 1;
    }
    data->copies = std::make_unique<FolderCopies>(data->inventory);
    data->figures = std::make_unique<SpaceFigures>(data->inventory, data->copies.get());
    const SpaceFigures& figures = *data->figures;
    for (std::uint32_t d = 0; d < figures.driveCount(); ++d) {
        const NodeId drive = figures.driveNode(d);
        data->rootFolder.push_back(data->inventory.find(figures.driveRoot(drive)));
        std::uint64_t used = 0;
        const std::uint64_t scanned = figures.totals(drive).diskUsage;
        data->unscanned.push_back(
            platform::usedSpace(figures.driveRoot(drive), used) && used > scanned ? used - scanned
                                                                                  : 0);
    }
    data_ = std::move(data);
    return true;
}

std::int64_t SpaceTree::analysisTime() const {
    return data_ ? data_->latest.time : 0;
}

std::int64_t SpaceTree::previousAnalysisTime() const {
    return data_ ? data_->previous.time : 0;
}

SpaceTree::Row SpaceTree::row(NodeId node) const {
    Row out;
    if (!data_) return out;
    const Data& data = *data_;
    if (node == kTop) {
        out.kind = Kind::Drive;
        out.id = kTop;
        for (std::uint32_t d = 0; d < data.figures->driveCount(); ++d) {
            const Figures drive = row(data.figures->driveNode(d)).figures;
            out.figures.diskUsage += drive.diskUsage;
            out.figures.size += drive.size;
            out.figures.files += drive.files;
            out.figures.copiedBytes += drive.copiedBytes;
        }
        return out;
    }
    node = data.shown(node);
    if (data.isDrive(node)) {
        out.kind = Kind::Drive;
        out.id = node;
        out.path = data.figures->driveRoot(node);
        out.name = out.path;
    } else if (data.isFolder(node)) {
        const FolderInventory::Folder& folder = data.inventory.folders()[node];
        out.kind = Kind::Folder;
        out.id = node;
        out.path = folder.path;
        out.name = folder.parent != FolderInventory::kNoFolder
                       ? withoutSlash(data.inventory.relativePath(folder.parent, node))
                       : withoutSlash(folder.path.substr(3));
    } else {
        out.id = kNoNode;
        return out;
    }
    out.figures = data.figuresOf(node, out.path);
    return out;
}

std::vector<SpaceTree::Row> SpaceTree::children(NodeId node) const {
    std::vector<Row> rows;
    if (!data_) return rows;
    const Data& data = *data_;
    const auto& folders = data.inventory.folders();
    if (node == kTop) {
        for (std::uint32_t d = 0; d < data.figures->driveCount(); ++d)
            rows.push_back(row(data.figures->driveNode(d)));
    } else if (data.isDrive(node) || data.isFolder(node)) {
        const std::uint32_t behind = data.folderBehind(node);
        if (behind != FolderInventory::kNoFolder) {
            for (std::uint32_t f = behind + 1; f < folders[behind].end; f = folders[f].end)
                rows.push_back(row(f));
        } else {
            for (std::uint32_t f = 0; f < folders.size(); f = folders[f].end)
                if (data.figures->driveOf(f) == node) rows.push_back(row(f));
        }
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        return a.figures.diskUsage > b.figures.diskUsage;
    });
    if (data.isDrive(node)) {
        Row unscanned;
        unscanned.kind = Kind::Unscanned;
        unscanned.id = kNoNode;
        unscanned.name = kUnscannedName;
        unscanned.path = data.figures->driveRoot(node);
        unscanned.figures.diskUsage = data.unscanned[node - data.folderCount()];
        unscanned.figures.size = unscanned.figures.diskUsage;
        rows.push_back(std::move(unscanned));
    }
    return rows;
}

SpaceTree::NodeId SpaceTree::parent(NodeId node) const {
    if (!data_ || node == kTop) return kNoNode;
    const Data& data = *data_;
    node = data.shown(node);
    if (data.isDrive(node)) return kTop;
    if (!data.isFolder(node)) return kNoNode;
    return data.shown(data.figures->parent(node));
}

SpaceTree::NodeId SpaceTree::find(const std::string& path) const {
    if (!data_) return kNoNode;
    const Data& data = *data_;
    const std::uint32_t folder = data.inventory.find(path);
    if (folder != FolderInventory::kNoFolder) return data.shown(folder);
    for (std::uint32_t d = 0; d < data.figures->driveCount(); ++d)
        if (data.figures->driveRoot(data.figures->driveNode(d)) == path)
            return data.figures->driveNode(d);
    return kNoNode;
}

std::vector<SpaceTree::LargeFile> SpaceTree::largestFiles(NodeId node, std::size_t most) const {
    std::vector<LargeFile> out;
    if (!data_ || most == 0) return out;
    const Data& data = *data_;
    node = data.shown(node);
    const auto& files = data.inventory.files();
    // Names of one file show once: the first in the subtree.
    std::vector<std::uint32_t> picked;
    std::unordered_set<std::uint32_t> seen;
    for (const auto& [begin, end] : data.fileRuns(node))
        for (std::uint32_t i = begin; i < end; ++i)
            if (data.firstMet(i, seen)) picked.push_back(i);
    const auto larger = [&](std::uint32_t a, std::uint32_t b) {
        if (files[a].length != files[b].length) return files[a].length > files[b].length;
        return data.inventory.path(files[a]) < data.inventory.path(files[b]);
    };
    const std::size_t count = std::min(most, picked.size());
    std::partial_sort(picked.begin(), picked.begin() + std::ptrdiff_t(count), picked.end(), larger);
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint32_t i = picked[k];
        const FolderInventory::File& file = files[i];
        LargeFile large;
        large.path = data.inventory.path(file);
        large.size = file.length;
        large.diskUsage = file.allocated;
        large.category = data.categories.of(data.inventory.name(file));
        const std::uint32_t reach = data.copies->reach(i);
        large.copiedElsewhere = reach == FolderCopies::kEveryFolder ||
                                (reach != FolderCopies::kNoCopy && data.isFolder(node) &&
                                 !data.inventory.contains(node, reach));
        out.push_back(std::move(large));
    }
    return out;
}

SpaceTree::CategoryBytes SpaceTree::categoryBytes(NodeId node) const {
    CategoryBytes bytes{};
    if (!data_) return bytes;
    const Data& data = *data_;
    const auto& files = data.inventory.files();
    std::unordered_set<std::uint32_t> seen;
    for (const auto& [begin, end] : data.fileRuns(data.shown(node)))
        for (std::uint32_t i = begin; i < end; ++i) {
            if (!data.firstMet(i, seen)) continue;
            bytes[std::size_t(data.categories.of(data.inventory.name(files[i])))] +=
                files[i].length;
            bytes[FileCategories::kAll] += files[i].length;
        }
    return bytes;
}

const FolderInventory& SpaceTree::inventory() const {
    static const FolderInventory empty;
    return data_ ? data_->inventory : empty;
}

const FolderCopies& SpaceTree::copies() const {
    static const FolderInventory emptyInventory;
    static const FolderCopies empty(emptyInventory);
    return data_ ? *data_->copies : empty;
}

SpaceItemRemover::Outcome SpaceTree::trash(const std::string& path) const {
    SpaceItemRemover::Outcome outcome;
    outcome.folder = path;
    outcome.refusal = SpaceItemRemover::Refusal::NotAsStored;
    outcome.reason = "未找到";
    if (!data_) return outcome;
    const FolderInventory& inventory = data_->inventory;
    std::uint32_t folder = FolderInventory::kNoFolder, file = FolderInventory::kNoFolder;
    if (!path.empty() && path.back() == '\\') {
        folder = inventory.find(path);
    } else {
        const std::size_t slash = path.rfind('\\');
        const std::uint32_t holder = slash == std::string::npos
                                         ? FolderInventory::kNoFolder
                                         : inventory.find(path.substr(0, slash + 1));
        if (holder != FolderInventory::kNoFolder)
            for (std::uint32_t i = inventory.folders()[holder].firstFile;
                 i < inventory.folders()[holder].fileEnd; ++i)
                if (inventory.name(inventory.files()[i]) == path.substr(slash + 1)) file = i;
    }
    if (folder == FolderInventory::kNoFolder && file == FolderInventory::kNoFolder) return outcome;
    CFileInfoDB database(data_->databasePath);
    ContentChecker cache(data_->databasePath);
    if (!database.open() || !cache.open()) {
        outcome.refusal = SpaceItemRemover::Refusal::TrashFailed;
        outcome.reason = database.errorText().empty() ? cache.errorText() : database.errorText();
        return outcome;
    }
    SpaceItemRemover remover(database, cache);
    return folder != FolderInventory::kNoFolder ? remover.moveFolder(inventory, folder)
                                                : remover.moveFile(inventory, file);
}
