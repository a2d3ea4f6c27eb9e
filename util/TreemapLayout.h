// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

// A rectangle of the treemap, in any unit (the view uses pixels).
struct TreemapRect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    double area() const { return width * height; }
};

// The squarified treemap layout: weights become rectangles that tile a given
// rectangle exactly, each with an area proportional to its weight, in rows
// laid along the shorter side, every row grown while that makes its worst
// aspect ratio no worse (largest weights first). Pure geometry.
class TreemapLayout {
public:
    // One rectangle per weight, in the order of `weights`. Together the
    // rectangles of the nonzero weights cover `area` with no overlap (the
    // last tile of each row and the last row take what rounding leaves);
    // a zero weight gets an empty rectangle at the area's corner. All
    // rectangles are empty when every weight is zero or `area` is empty.
    // Cost: one sort of the weights, then linear.
    static std::vector<TreemapRect> layout(const std::vector<std::uint64_t>& weights,
                                           const TreemapRect& area);

    // The worst aspect ratio (long side over short side, >= 1) of a row
    // whose weights sum to `sum`, smallest `smallest`, largest `largest`,
    // laid along a side of length `side`, where one weight unit is `scale`
    // units of area.
    static double worstRatio(double sum, double smallest, double largest, double side,
                             double scale);
};
