// SPDX-License-Identifier: MIT
#pragma once

#include <QRectF>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/FileCategories.h"
#include "engine/SpaceTree.h"

// One tile of the space view's treemap: a folder (its frame, painted first,
// its contents on top of it), a file, the files too small to draw one by one
// (lumped), or a drive's 未扫描 space.
struct TreemapTile {
    enum class Kind { Folder, File, Lumped, Unscanned };
    Kind kind = Kind::File;
    QRectF rect;
    int depth = 0;        // 0 for the tiles right under the shown node
    int category = 0;     // a file's category (FileCategories codes); 0 otherwise
    bool copied = false;  // a file with a distinct copy elsewhere; a folder 全部有副本
    SpaceTree::NodeId node = SpaceTree::kNoNode;  // a folder's node; a file's folder
    std::uint32_t file = 0;                       // a file's index in the inventory
    std::uint64_t weight = 0;                     // what the area stands for, in bytes
    std::uint64_t size = 0;                       // 大小 (bytes of the files)
    std::uint64_t count = 0;                      // Lumped: how many files
    std::string path;                             // program form
};

// Lays out the treemap of one node of a SpaceTree in a rectangle: its rows
// (folders, and a drive's 未扫描) and its own files as squarified tiles,
// nested down into every folder whose tile is large enough to show its
// contents. Areas follow 占用 (disk usage) or 大小; a folder's own files
// share what its 占用 leaves after its subfolders, in proportion to their
// lengths. Files whose tile would be smaller than a pixel become one lumped
// tile per folder, so the tile count stays near the pixel count however
// many files the node holds.
class SpaceTreemapTiles {
public:
    // `tree` must stay loaded while this object is used.
    explicit SpaceTreemapTiles(const SpaceTree& tree) : tree_(tree) {}

    // The tiles of `node` in `area`, parents before their contents.
    std::vector<TreemapTile> build(SpaceTree::NodeId node, const QRectF& area,
                                   bool diskUsage) const;

    // The smallest tile whose contents are laid out, in square pixels.
    static constexpr double kNestArea = 36.0;

private:
    struct Item;
    void addContents(SpaceTree::NodeId node, const SpaceTree::Row& row, const QRectF& area,
                     int depth, bool diskUsage, std::vector<TreemapTile>& out) const;
    void addOwnFiles(std::uint32_t folder, std::uint64_t weight, std::vector<Item>& items) const;

    const SpaceTree& tree_;
    FileCategories categories_;
};
