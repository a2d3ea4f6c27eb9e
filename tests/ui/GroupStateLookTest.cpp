// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QString>

#include "UiTestSupport.h"
#include "results/ui/GroupStateLook.h"

namespace {

// A checked group of `files` rows whose classes and link sets are given.
GroupCheck groupOf(int files, std::vector<std::vector<int>> classes,
                   std::vector<std::vector<int>> links = {}) {
    GroupCheck group;
    group.length = 100;
    group.state = GroupState::Partly;
    group.files.resize(std::size_t(files));
    for (int c = 0; c < int(classes.size()); ++c)
        for (int i : classes[std::size_t(c)]) group.files[std::size_t(i)].contentClass = c;
    for (int l = 0; l < int(links.size()); ++l)
        for (int i : links[std::size_t(l)]) group.files[std::size_t(i)].linkSet = l;
    group.classes = std::move(classes);
    group.linkSets = std::move(links);
    return group;
}

QStringList classTexts(const GroupCheck& group) {
    QStringList texts;
    for (int i = 0; i < int(group.files.size()); ++i) texts << groupstate::fileClassText(group, i);
    return texts;
}

TEST(GroupStateLook, ClassesOfTwoOrMoreAreNumberedAndLoneFilesAreUnique) {
    // Files 0 and 3 alike, 1 alone, 2 and 4 alike: classes in order of first file.
    const GroupCheck group = groupOf(5, {{0, 3}, {1}, {2, 4}});
    EXPECT_EQ(classTexts(group), (QStringList{"副本 1", "唯一", "副本 2", "副本 1", "副本 2"}));
}

TEST(GroupStateLook, NamesOfOneFileAreLinksNotCopies) {
    // 0 and 1 are one file; 2 holds the same bytes as a distinct file.
    const GroupCheck withCopy = groupOf(3, {{0, 1, 2}}, {{0, 1}});
    EXPECT_EQ(classTexts(withCopy),
              (QStringList{"副本 1（硬链接）", "副本 1（硬链接）", "副本 1"}));
    // Only two names of one file and a different file: no copy at all.
    const GroupCheck linksOnly = groupOf(3, {{0, 1}, {2}}, {{0, 1}});
    EXPECT_EQ(classTexts(linksOnly), (QStringList{"硬链接", "硬链接", "唯一"}));
}

TEST(GroupStateLook, ChangedAndUnreadableFilesSaySoAndAnUncheckedGroupSaysNothing) {
    GroupCheck group = groupOf(3, {{0}});
    group.state = GroupState::Unknown;
    group.files[1].status = CheckedFile::Status::Changed;
    group.files[2].status = CheckedFile::Status::Unreadable;
    EXPECT_EQ(classTexts(group), (QStringList{"唯一", "已更改", "无法读取"}));
    group.state = GroupState::Unchecked;
    EXPECT_EQ(classTexts(group), (QStringList{"", "", ""}));
    EXPECT_TRUE(groupstate::fileClassText(group, 7).isEmpty());
}

TEST(GroupStateLook, ConfirmedAndRefutedLookDifferentAndUncheckedLooksPlain) {
    EXPECT_NE(groupstate::rowColour(GroupState::Confirmed),
              groupstate::rowColour(GroupState::Refuted));
    EXPECT_FALSE(groupstate::rowColour(GroupState::Unchecked).isValid());
    EXPECT_TRUE(groupstate::icon(GroupState::Unchecked).isNull());
    for (GroupState state :
         {GroupState::Confirmed, GroupState::Partly, GroupState::Refuted, GroupState::Unknown}) {
        EXPECT_FALSE(groupstate::icon(state).isNull());
        EXPECT_FALSE(groupstate::toolTip(state).isEmpty());
    }
    EXPECT_NE(groupstate::toolTip(GroupState::Confirmed), groupstate::toolTip(GroupState::Refuted));
}

}  // namespace
