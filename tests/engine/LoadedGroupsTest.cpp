// SPDX-License-Identifier: MIT
// The flat tables of the groups and cache rows one pass loaded.
#include <gtest/gtest.h>

#include <string>

#include "engine/LoadedGroups.h"

namespace {

ContentCache::Entry rowOfTime(std::int64_t rowTime) {
    ContentCache::Entry entry;
    entry.rowTime = rowTime;
    return entry;
}

TEST(LoadedGroupsTest, GroupsAreNumberedInOrderAndARepeatedMaskIsRefused) {
    LoadedGroups loaded;
    loaded.reserve(2, 80);
    EXPECT_EQ(loaded.addGroup(std::string(80, 'a')), 0u);
    EXPECT_EQ(loaded.addGroup(std::string(80, 'b')), 1u);
    EXPECT_EQ(loaded.addGroup(std::string(80, 'a')), LoadedGroups::kNone);
    EXPECT_EQ(loaded.groups(), 2u);
    EXPECT_EQ(loaded.find(std::string(80, 'b')), 1u);
    EXPECT_EQ(loaded.find(std::string(80, 'c')), LoadedGroups::kNone);
    EXPECT_EQ(LoadedGroups().find("anything"), LoadedGroups::kNone);
}

TEST(LoadedGroupsTest, ManyMoreGroupsThanReservedAreAllFound) {
    LoadedGroups loaded;
    loaded.reserve(4, 8);
    for (int i = 0; i < 20000; ++i)
        ASSERT_EQ(loaded.addGroup("mask " + std::to_string(i)), std::uint32_t(i)) << i;
    for (int i = 0; i < 20000; i += 997)
        EXPECT_EQ(loaded.find("mask " + std::to_string(i)), std::uint32_t(i)) << i;
    EXPECT_EQ(loaded.find("mask 20000"), LoadedGroups::kNone);
}

TEST(LoadedGroupsTest, FilesComeBackByGroupInTheOrderTheyCame) {
    LoadedGroups loaded;
    const std::uint32_t a = loaded.addGroup("A");
    const std::uint32_t b = loaded.addGroup("B");
    const std::uint32_t empty = loaded.addGroup("C");
    const ContentCache::Entry first = rowOfTime(1), third = rowOfTime(3), fourth = rowOfTime(4);
    loaded.addFile(b, &first);
    loaded.addFile(a, nullptr);
    loaded.addFile(b, &third);
    loaded.addFile(a, &fourth);
    loaded.arrange();
    ASSERT_EQ(loaded.files(a), 2u);
    ASSERT_EQ(loaded.files(b), 2u);
    EXPECT_EQ(loaded.files(empty), 0u);
    EXPECT_EQ(loaded.row(a, 0), nullptr);
    ASSERT_NE(loaded.row(a, 1), nullptr);
    EXPECT_EQ(loaded.row(a, 1)->rowTime, 4);
    EXPECT_EQ(loaded.row(b, 0)->rowTime, 1);
    EXPECT_EQ(loaded.row(b, 1)->rowTime, 3);
    EXPECT_EQ(loaded.row(b, 2), nullptr);  // past the group's files
    EXPECT_EQ(loaded.row(LoadedGroups::kNone, 0), nullptr);
}

TEST(LoadedGroupsTest, SetRowGivesAFileARowOrReplacesIt) {
    LoadedGroups loaded;
    const std::uint32_t a = loaded.addGroup("A");
    const ContentCache::Entry old = rowOfTime(1);
    loaded.addFile(a, nullptr);
    loaded.addFile(a, &old);
    loaded.arrange();
    loaded.setRow(a, 0, rowOfTime(7));
    loaded.setRow(a, 1, rowOfTime(8));
    loaded.setRow(a, 2, rowOfTime(9));  // no such file: nothing
    EXPECT_EQ(loaded.row(a, 0)->rowTime, 7);
    EXPECT_EQ(loaded.row(a, 1)->rowTime, 8);
    EXPECT_EQ(loaded.files(a), 2u);
}

}  // namespace
