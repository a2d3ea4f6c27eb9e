// SPDX-License-Identifier: MIT
#include "util/TreemapLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr double kEpsilon = 1e-6;

bool overlap(const TreemapRect& a, const TreemapRect& b) {
    const double across = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
    const double down = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
    return across > kEpsilon && down > kEpsilon;
}

bool inside(const TreemapRect& tile, const TreemapRect& area) {
    return tile.x >= area.x - kEpsilon && tile.y >= area.y - kEpsilon &&
           tile.x + tile.width <= area.x + area.width + kEpsilon &&
           tile.y + tile.height <= area.y + area.height + kEpsilon;
}

// Every tile lies in the area, no two overlap, the tiles' areas add up to the
// area's, and each is its weight's share of it.
void expectTiling(const std::vector<std::uint64_t>& weights, const TreemapRect& area) {
    const std::vector<TreemapRect> tiles = TreemapLayout::layout(weights, area);
    ASSERT_EQ(tiles.size(), weights.size());
    double total = 0;
    for (std::uint64_t weight : weights) total += double(weight);
    double covered = 0;
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        const TreemapRect& tile = tiles[i];
        EXPECT_GE(tile.width, 0) << "tile " << i;
        EXPECT_GE(tile.height, 0) << "tile " << i;
        EXPECT_TRUE(inside(tile, area)) << "tile " << i << " at " << tile.x << "," << tile.y;
        EXPECT_NEAR(tile.area(), area.area() * double(weights[i]) / total, 1e-6 * area.area())
            << "tile " << i << " of weight " << weights[i];
        covered += tile.area();
        for (std::size_t j = i + 1; j < tiles.size(); ++j)
            EXPECT_FALSE(overlap(tile, tiles[j])) << "tiles " << i << " and " << j;
    }
    EXPECT_NEAR(covered, area.area(), 1e-6 * area.area());
}

}  // namespace

TEST(TreemapLayoutTest, RandomWeightsTileTheAreaInProportion) {
    std::mt19937_64 random(7);
    std::uniform_int_distribution<std::uint64_t> weight(1, 1u << 30);
    for (int round = 0; round < 20; ++round) {
        std::vector<std::uint64_t> weights(1 + random() % 300);
        for (auto& w : weights) w = weight(random);
        const TreemapRect area{13, 7, 400 + double(random() % 900), 50 + double(random() % 700)};
        SCOPED_TRACE(testing::Message() << "round " << round << ", " << weights.size() << " tiles");
        expectTiling(weights, area);
    }
}

TEST(TreemapLayoutTest, WeightsSpanningManyMagnitudesStillTile) {
    // One huge file beside many tiny ones, as a disk holds them.
    std::vector<std::uint64_t> weights{std::uint64_t(1) << 40};
    for (int i = 1; i <= 200; ++i) weights.push_back(std::uint64_t(i));
    expectTiling(weights, TreemapRect{0, 0, 1000, 600});
}

TEST(TreemapLayoutTest, ZeroWeightsGetEmptyTilesAndTheOthersFillTheArea) {
    const std::vector<std::uint64_t> weights{0, 5, 0, 3, 2, 0};
    const TreemapRect area{0, 0, 300, 200};
    const auto tiles = TreemapLayout::layout(weights, area);
    for (std::size_t i : {0u, 2u, 5u}) EXPECT_EQ(tiles[i].area(), 0) << "tile " << i;
    expectTiling(weights, area);
}

TEST(TreemapLayoutTest, OneWeightFillsTheWholeArea) {
    const auto tiles = TreemapLayout::layout({42}, TreemapRect{5, 6, 70, 80});
    ASSERT_EQ(tiles.size(), 1u);
    EXPECT_DOUBLE_EQ(tiles[0].x, 5);
    EXPECT_DOUBLE_EQ(tiles[0].y, 6);
    EXPECT_DOUBLE_EQ(tiles[0].width, 70);
    EXPECT_DOUBLE_EQ(tiles[0].height, 80);
}

TEST(TreemapLayoutTest, NothingToLayOutGivesEmptyTiles) {
    EXPECT_TRUE(TreemapLayout::layout({}, TreemapRect{0, 0, 10, 10}).empty());
    for (const TreemapRect& tile : TreemapLayout::layout({0, 0}, TreemapRect{0, 0, 10, 10}))
        EXPECT_EQ(tile.area(), 0);
    for (const TreemapRect& tile : TreemapLayout::layout({3, 4}, TreemapRect{0, 0, 0, 10}))
        EXPECT_EQ(tile.area(), 0);
}

TEST(TreemapLayoutTest, EqualWeightsInASquareBecomeSquares) {
    // Sixteen equal weights in a square: the squarified rows give a 4 x 4 grid.
    const auto tiles = TreemapLayout::layout(std::vector<std::uint64_t>(16, 1), {0, 0, 400, 400});
    for (const TreemapRect& tile : tiles) {
        EXPECT_NEAR(tile.width, 100, kEpsilon);
        EXPECT_NEAR(tile.height, 100, kEpsilon);
    }
}

TEST(TreemapLayoutTest, TilesStayCloseToSquareWhereTheWeightsAllowIt) {
    // The reason for the squarified layout: no thin slivers among weights
    // of one magnitude (slicing them in one strip would give 1:100 tiles).
    std::mt19937_64 random(11);
    std::vector<std::uint64_t> weights(100);
    for (auto& w : weights) w = 1000 + random() % 1000;
    for (const TreemapRect& tile : TreemapLayout::layout(weights, {0, 0, 800, 600})) {
        const double ratio = std::max(tile.width, tile.height) / std::min(tile.width, tile.height);
        EXPECT_LT(ratio, 4.0) << tile.width << " x " << tile.height;
    }
}

TEST(TreemapLayoutTest, LargestWeightIsPlacedFirstAtTheCorner) {
    const auto tiles = TreemapLayout::layout({1, 9, 2}, TreemapRect{10, 20, 300, 100});
    EXPECT_DOUBLE_EQ(tiles[1].x, 10);
    EXPECT_DOUBLE_EQ(tiles[1].y, 20);
}
