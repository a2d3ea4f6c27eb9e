// SPDX-License-Identifier: MIT
#include "util/TreemapLayout.h"

#include <algorithm>

namespace {

// Lays the weights order[first .. last) out as one row along the shorter side
// of `free`, and returns what remains of `free`. With `fill`, the row takes
// all of `free` (the last row: no sliver is left by rounding).
TreemapRect placeRow(const std::vector<std::uint64_t>& weights,
                     const std::vector<std::size_t>& order, std::size_t first, std::size_t last,
                     double rowWeight, double scale, const TreemapRect& free, bool fill,
                     std::vector<TreemapRect>& out) {
    const bool vertical = free.width >= free.height;  // a column at the left, else a row on top
    const double side = vertical ? free.height : free.width;
    const double room = vertical ? free.width : free.height;
    const double thickness = fill ? room : std::min(room, rowWeight * scale / side);
    double offset = 0;
    for (std::size_t i = first; i < last; ++i) {
        const double length =
            i + 1 == last ? side - offset : side * double(weights[order[i]]) / rowWeight;
        TreemapRect& tile = out[order[i]];
        if (vertical)
            tile = {free.x, free.y + offset, thickness, length};
        else
            tile = {free.x + offset, free.y, length, thickness};
        offset += length;
    }
    if (vertical) return {free.x + thickness, free.y, free.width - thickness, free.height};
    return {free.x, free.y + thickness, free.width, free.height - thickness};
}

}  // namespace

double TreemapLayout::worstRatio(double sum, double smallest, double largest, double side,
                                 double scale) {
    const double rowArea = sum * scale;
    const double side2 = side * side;
    const double wide = side2 * largest * scale / (rowArea * rowArea);
    const double narrow = rowArea * rowArea / (side2 * smallest * scale);
    return std::max(wide, narrow);
}

std::vector<TreemapRect> TreemapLayout::layout(const std::vector<std::uint64_t>& weights,
                                               const TreemapRect& area) {
    std::vector<TreemapRect> out(weights.size(), TreemapRect{area.x, area.y, 0, 0});
    std::vector<std::size_t> order;
    order.reserve(weights.size());
    double total = 0;
    for (std::size_t i = 0; i < weights.size(); ++i) {
        if (weights[i] == 0) continue;
        order.push_back(i);
        total += double(weights[i]);
    }
    if (order.empty() || area.width <= 0 || area.height <= 0) return out;
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return weights[a] > weights[b]; });
    const double scale = area.area() / total;  // area units per weight unit

    TreemapRect free = area;
    std::size_t first = 0;
    while (first < order.size()) {
        const double side = std::min(free.width, free.height);
        const double largest = double(weights[order[first]]);
        double rowWeight = largest;
        double worst = worstRatio(rowWeight, largest, largest, side, scale);
        std::size_t last = first + 1;
        for (; last < order.size(); ++last) {
            const double next = double(weights[order[last]]);
            const double grown = worstRatio(rowWeight + next, next, largest, side, scale);
            if (grown > worst) break;
            worst = grown;
            rowWeight += next;
        }
        free = placeRow(weights, order, first, last, rowWeight, scale, free, last == order.size(),
                        out);
        first = last;
    }
    return out;
}
