// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

#include "engine/GroupCheck.h"

// How the window shows what the content check found: an icon, a tooltip and
// a row colour per group state, and the class text of each file of a group.
// A confirmed group is green with a tick, a refuted one grey-red with a cross,
// so the two are told apart at a glance; an unchecked group has no icon and
// no colour, as the list looks without the check.
namespace groupstate {

QIcon icon(GroupState state);
QString toolTip(GroupState state);
// An invalid colour for a state that leaves the row as it is.
QColor rowColour(GroupState state);

// The class text of file `index` of `group`: 副本 N for a member of the N-th
// class of two distinct files or more, 唯一 for a file alone in its class,
// 硬链接 for names of one file with no other copy, 已更改 and 无法读取 for
// files the check could not read. Empty for an unchecked group.
QString fileClassText(const GroupCheck& group, int index);

}  // namespace groupstate
