// SPDX-License-Identifier: MIT
#include "app/SpaceTreemapTiles.h"

#include <algorithm>

#include "util/TreemapLayout.h"

namespace {

constexpr double kFrame = 1.0;  // a nested folder's frame, in pixels
constexpr std::uint32_t kNoFile = 0xFFFFFFFFu;

std::uint64_t weightOf(const SpaceTree::Figures& figures, bool diskUsage) {
    return diskUsage ? figures.diskUsage : figures.size;
}

}  // namespace

// Small, as a folder may hold a million files.
struct SpaceTreemapTiles::Item {
    TreemapTile::Kind kind;
    std::uint64_t weight;
    std::uint32_t index;  // Folder, Unscanned: of the node's rows; File: of the inventory's files
    std::uint32_t count;  // Lumped: how many files
};

std::vector<TreemapTile> SpaceTreemapTiles::build(SpaceTree::NodeId node, const QRectF& area,
                                                  bool diskUsage) const {
    std::vector<TreemapTile> out;
    if (area.isEmpty()) return out;
    addContents(node, tree_.row(node), area, 0, diskUsage, out);
    return out;
}

// A folder's own files as items whose weights add up to `weight`, largest
// first; those that would not fill a pixel of the folder's tile are lumped.
void SpaceTreemapTiles::addOwnFiles(std::uint32_t folder, std::uint64_t weight,
                                    std::vector<Item>& items) const {
    const FolderInventory& inventory = tree_.inventory();
    const FolderInventory::Folder& stored = inventory.folders()[folder];
    std::uint64_t length = 0;
    for (std::uint32_t f = stored.firstFile; f < stored.fileEnd; ++f)
        length += inventory.files()[f].length;
    if (length == 0 || weight == 0) return;
    const double perByte = double(weight) / double(length);
    std::uint64_t given = 0;
    for (std::uint32_t f = stored.firstFile; f < stored.fileEnd; ++f) {
        const auto share = std::uint64_t(double(inventory.files()[f].length) * perByte);
        if (share == 0) continue;
        items.push_back({TreemapTile::Kind::File, share, f, 0});
        given += share;
    }
    if (given < weight) items.push_back({TreemapTile::Kind::Lumped, weight - given, kNoFile, 0});
}

void SpaceTreemapTiles::addContents(SpaceTree::NodeId node, const SpaceTree::Row& row,
                                    const QRectF& area, int depth, bool diskUsage,
                                    std::vector<TreemapTile>& out) const {
    std::vector<Item> items;
    const std::vector<SpaceTree::Row> rows = tree_.children(node);
    std::uint64_t inRows = 0;
    for (std::uint32_t r = 0; r < rows.size(); ++r) {
        const std::uint64_t weight = weightOf(rows[r].figures, diskUsage);
        // A drive's 未扫描 lies outside its scanned total.
        if (rows[r].kind != SpaceTree::Kind::Unscanned) inRows += weight;
        items.push_back({rows[r].kind == SpaceTree::Kind::Unscanned ? TreemapTile::Kind::Unscanned
                                                                    : TreemapTile::Kind::Folder,
                         weight, r, 0});
    }
    const std::uint64_t total = weightOf(row.figures, diskUsage);
    const std::uint32_t own = tree_.inventory().find(row.path);
    if (own != FolderInventory::kNoFolder && total > inRows)
        addOwnFiles(own, total - inRows, items);
    if (items.empty()) return;

    // Files that would be smaller than a pixel join the lumped tile.
    std::uint64_t sum = 0;
    for (const Item& item : items) sum += item.weight;
    const double pixelWeight = sum / std::max(1.0, area.width() * area.height());
    Item lumped{TreemapTile::Kind::Lumped, 0, kNoFile, 0};
    std::vector<Item> kept;
    kept.reserve(items.size());
    for (const Item& item : items) {
        const bool small = item.kind != TreemapTile::Kind::Folder &&
                           item.kind != TreemapTile::Kind::Unscanned &&
                           double(item.weight) < pixelWeight;
        if (!small) {
            kept.push_back(item);
            continue;
        }
        lumped.weight += item.weight;
        lumped.count += item.kind == TreemapTile::Kind::File ? 1 : 0;
    }
    if (lumped.weight > 0) kept.push_back(lumped);

    std::vector<std::uint64_t> weights;
    weights.reserve(kept.size());
    for (const Item& item : kept) weights.push_back(item.weight);
    const std::vector<TreemapRect> rects = TreemapLayout::layout(
        weights, TreemapRect{area.x(), area.y(), area.width(), area.height()});

    const FolderInventory& inventory = tree_.inventory();
    const FolderCopies& copies = tree_.copies();
    for (std::size_t i = 0; i < kept.size(); ++i) {
        const QRectF rect(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
        if (rect.isEmpty()) continue;
        const Item& item = kept[i];
        TreemapTile tile;
        tile.kind = item.kind;
        tile.rect = rect;
        tile.depth = depth;
        tile.weight = item.weight;
        tile.count = item.count;
        tile.node = node;
        if (item.kind == TreemapTile::Kind::File) {
            const FolderInventory::File& file = inventory.files()[item.index];
            tile.file = item.index;
            tile.size = file.length;
            tile.category = categories_.of(inventory.name(file));
            tile.copied = copies.reach(item.index) != FolderCopies::kNoCopy;
            tile.path = inventory.path(file);
        } else if (item.kind != TreemapTile::Kind::Lumped) {
            const SpaceTree::Row& child = rows[item.index];
            tile.node = child.id;
            tile.size = child.figures.size;
            tile.copied = child.figures.allCopied;
            tile.path = child.path;
        } else {
            tile.path = row.path;
        }
        out.push_back(std::move(tile));
        if (item.kind != TreemapTile::Kind::Folder) continue;
        const QRectF inner = rect.adjusted(kFrame, kFrame, -kFrame, -kFrame);
        if (inner.width() * inner.height() >= kNestArea && inner.width() >= 2 &&
            inner.height() >= 2)
            addContents(rows[item.index].id, rows[item.index], inner, depth + 1, diskUsage, out);
    }
}
