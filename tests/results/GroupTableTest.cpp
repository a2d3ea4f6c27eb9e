// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include "results/GroupTable.h"

namespace {

std::string maskNumber(int n) {
    return "MASK-" + std::to_string(n);
}

}  // namespace

TEST(GroupTableTest, RowsKeepTheirTextsAndNumbersThroughGrowth) {
    GroupTable table;
    for (int i = 0; i < 5000; ++i)
        table.append(std::to_string(i % 7), maskNumber(i), "name" + std::to_string(i));
    ASSERT_EQ(table.size(), 5000);
    for (int i = 0; i < 5000; i += 97) {
        EXPECT_EQ(table.row(i), (GroupTable::Row{std::to_string(i % 7), maskNumber(i),
                                                 "name" + std::to_string(i)}));
        EXPECT_EQ(table.find(maskNumber(i)), i);
    }
}

TEST(GroupTableTest, AMaskNotAppendedIsNotFound) {
    GroupTable table;
    EXPECT_EQ(table.find("anything"), -1);
    table.append("1", "abc", "x");
    EXPECT_EQ(table.find("ab"), -1);
    EXPECT_EQ(table.find("abcd"), -1);
    EXPECT_EQ(table.find(""), -1);
}

TEST(GroupTableTest, EmptyTextsAreKeptApart) {
    GroupTable table;
    table.append("", "", "");
    table.append("2", "", "only-name");
    EXPECT_EQ(table.row(0), (GroupTable::Row{"", "", ""}));
    EXPECT_EQ(table.row(1), (GroupTable::Row{"2", "", "only-name"}));
}

TEST(GroupTableTest, ARepeatedMaskNamesTheLaterGroup) {
    GroupTable table;
    table.append("1", "same", "first");
    table.append("1", "other", "x");
    table.append("1", "same", "second");
    EXPECT_EQ(table.find("same"), 2);
    EXPECT_EQ(table.find("other"), 1);
    EXPECT_EQ(table.fname(0), "first");
}

TEST(GroupTableTest, ClearForgetsRowsAndMasks) {
    GroupTable table;
    for (int i = 0; i < 100; ++i) table.append("1", maskNumber(i), "n");
    table.clear();
    EXPECT_EQ(table.size(), 0);
    EXPECT_EQ(table.find(maskNumber(5)), -1);
    table.append("3", maskNumber(5), "again");
    EXPECT_EQ(table.find(maskNumber(5)), 0);
}
