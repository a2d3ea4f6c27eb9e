// SPDX-License-Identifier: MIT
#include "engine/GroupCheck.h"

#include <unordered_set>

int GroupCheck::distinctFiles(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= classes.size()) return 0;
    // Names of one file count once: a name with a link set counts only as
    // the first of its set met in the class.
    std::unordered_set<int> setsSeen;
    int distinct = 0;
    for (const int member : classes[static_cast<std::size_t>(index)]) {
        const int linkSet = member >= 0 && static_cast<std::size_t>(member) < files.size()
                                ? files[static_cast<std::size_t>(member)].linkSet
                                : -1;
        if (linkSet < 0 || setsSeen.insert(linkSet).second) ++distinct;
    }
    return distinct;
}

std::uint64_t GroupCheck::reclaimableBytes() const {
    std::uint64_t bytes = 0;
    for (std::size_t i = 0; i < classes.size(); ++i) {
        const int distinct = distinctFiles(static_cast<int>(i));
        if (distinct < 2) continue;
        const std::uint64_t classLength = i < classLengths.size() ? classLengths[i] : length;
        bytes += static_cast<std::uint64_t>(distinct - 1) * classLength;
    }
    return bytes;
}

const char* groupStateName(GroupState state) {
    switch (state) {
        case GroupState::Confirmed:
            return "confirmed";
        case GroupState::Partly:
            return "partly";
        case GroupState::Refuted:
            return "refuted";
        case GroupState::Unknown:
            return "unknown";
        case GroupState::Unchecked:
            break;
    }
    return "unchecked";
}
