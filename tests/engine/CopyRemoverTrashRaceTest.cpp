// SPDX-License-Identifier: MIT
// Another program changes the copy or the file that stays while the copy is
// being moved: at each step of the move (before the comparison, during it,
// between the last check and the move) either file is replaced, rewritten in
// place with its length and times put back to the nanosecond, or deleted.
// Whatever happens, no file the change left in the tree moves, and at least
// one copy of the compared content stays where it was.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "TrashSupport.h"

namespace {

using Refusal = CopyRemover::Refusal;
using Step = CopyRemover::Step;

enum class Target { Copy, Kept };
enum class Change { Replaced, Rewritten, Deleted };

struct Race {
    Target target;
    Change change;
    Step step;
    Refusal expected;
};

// Several blocks of the comparison, so that a change "during" it falls
// between two reads.
constexpr std::size_t kLength = 3 * (std::size_t(1) << 20) + 12345;
constexpr std::size_t kChangedAt = 100;  // inside the first block, compared already
const std::string kChangedBytes = "#changed#";

std::string original() {
    std::string bytes(kLength, '\0');
    for (std::size_t i = 0; i < kLength; ++i)
        bytes[i] = static_cast<char>((i * 31 + i / 997) & 0xFF);
    return bytes;
}

std::string changed() {
    std::string bytes = original();
    bytes.replace(kChangedAt, kChangedBytes.size(), kChangedBytes);
    return bytes;
}

struct timespec modifiedAt(const std::string& native) {
    struct stat info {};
    EXPECT_EQ(::stat(native.c_str(), &info), 0) << native;
    return info.st_mtim;
}

// Gives `native` its access and modification times back, to the nanosecond.
void putTimesBack(const std::string& native, const struct timespec& modified) {
    const struct timespec times[2] = {modified, modified};
    ASSERT_EQ(::utimensat(AT_FDCWD, native.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << native;
}

void makeChange(Change change, const std::string& native) {
    const struct timespec modified = modifiedAt(native);
    if (change == Change::Deleted) {
        ASSERT_EQ(::unlink(native.c_str()), 0) << native;
    } else if (change == Change::Replaced) {
        // Another file of the same length and times takes the name.
        const std::string other = native + ".other";
        std::FILE* out = std::fopen(other.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        const std::string bytes = changed();
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), out), bytes.size());
        ASSERT_EQ(std::fclose(out), 0);
        putTimesBack(other, modified);
        ASSERT_EQ(::rename(other.c_str(), native.c_str()), 0) << native;
    } else {
        const int fd = ::open(native.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0) << native;
        const auto written = ::pwrite(fd, kChangedBytes.data(), kChangedBytes.size(), kChangedAt);
        ::close(fd);
        ASSERT_EQ(written, static_cast<ssize_t>(kChangedBytes.size()));
        putTimesBack(native, modified);
    }
}

const char* nameOf(Target target) {
    return target == Target::Copy ? "Copy" : "Kept";
}
const char* nameOf(Change change) {
    return change == Change::Replaced    ? "Replaced"
           : change == Change::Rewritten ? "Rewritten"
                                         : "Deleted";
}
const char* nameOf(Step step) {
    return step == Step::BeforeCompare   ? "BeforeCompare"
           : step == Step::DuringCompare ? "DuringCompare"
                                         : "BetweenCheckAndMove";
}

std::string raceName(const ::testing::TestParamInfo<Race>& info) {
    return std::string(nameOf(info.param.target)) + nameOf(info.param.change) +
           nameOf(info.param.step);
}

void PrintTo(const Race& race, std::ostream* out) {
    *out << nameOf(race.target) << ' ' << nameOf(race.change) << ' ' << nameOf(race.step);
}

class CopyRemoverTrashRaceTest : public TrashTest, public ::testing::WithParamInterface<Race> {
protected:
    // What the name holds after the change: its content, or nothing.
    std::string expectedAt(Target target) const {
        const Race& race = GetParam();
        if (race.target != target) return original();
        return race.change == Change::Deleted ? std::string() : changed();
    }
    std::string heldAt(const std::string& name) const {
        return ::access(tree_.native(name).c_str(), F_OK) == 0
                   ? trashtest::readWhole(tree_.native(name))
                   : std::string();
    }
};

TEST_P(CopyRemoverTrashRaceTest, TrashMovesNothingThatChangedAndKeepsACopy) {
    const Race race = GetParam();
    const std::string mask = addFile("keep.bin", original());
    addFile("copy.bin", original());
    const GroupCheck group = check(mask);
    ASSERT_EQ(group.state, GroupState::Confirmed);
    const std::size_t trashedBefore = trashtest::trashEntries("files").size();

    int changes = 0;
    const auto hook = [&](Step step, int keep, int file) {
        if (step != race.step) return;
        ++changes;
        const int changedFile = race.target == Target::Copy ? file : keep;
        makeChange(race.change, tree_.native(group.files[std::size_t(changedFile)].name));
    };
    const auto outcomes = trash(group, "keep.bin", {"copy.bin"}, {}, hook);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(changes, 1);
    const CopyRemover::Outcome& outcome = outcomes[0];
    EXPECT_EQ(outcome.refusal, race.expected) << outcome.reason;

    EXPECT_TRUE(heldAt("keep.bin") == expectedAt(Target::Kept)) << "the file that stays changed";
    int copiesLeft = 0;
    for (const char* name : {"keep.bin", "copy.bin"}) copiesLeft += heldAt(name) == original();
    EXPECT_GE(copiesLeft, 1);
    if (race.expected == Refusal::None) {
        // Rewritten in place right before the rename: the bytes written then
        // moved with it and are whole in the trash.
        EXPECT_TRUE(heldAt("copy.bin").empty());
        EXPECT_TRUE(trashtest::readWhole(outcome.trashed.trashedPath) == changed());
        return;
    }
    EXPECT_FALSE(outcome.reason.empty());
    EXPECT_TRUE(heldAt("copy.bin") == expectedAt(Target::Copy)) << "the copy's place changed";
    EXPECT_TRUE(trashtest::trashedAs(tree_.native("copy.bin")).empty());
    EXPECT_EQ(trashtest::trashEntries("files").size(), trashedBefore);
    EXPECT_EQ(rowsNamed("FILEINFO_FIF", "copy.bin"), 1u);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(EveryChangeAtEveryStep, CopyRemoverTrashRaceTest, ::testing::Values(
    // Before the comparison, both files open and as their rows say.
    Race{Target::Copy, Change::Replaced,  Step::BeforeCompare, Refusal::Changed},
    Race{Target::Copy, Change::Rewritten, Step::BeforeCompare, Refusal::ContentDiffers},
    Race{Target::Copy, Change::Deleted,   Step::BeforeCompare, Refusal::Changed},
    Race{Target::Kept, Change::Replaced,  Step::BeforeCompare, Refusal::KeptChanged},
    Race{Target::Kept, Change::Rewritten, Step::BeforeCompare, Refusal::ContentDiffers},
    Race{Target::Kept, Change::Deleted,   Step::BeforeCompare, Refusal::KeptChanged},
    // After the first block, which the rewrite changes behind the reader.
    Race{Target::Copy, Change::Replaced,  Step::DuringCompare, Refusal::Changed},
    Race{Target::Copy, Change::Rewritten, Step::DuringCompare, Refusal::Changed},
    Race{Target::Copy, Change::Deleted,   Step::DuringCompare, Refusal::Changed},
    Race{Target::Kept, Change::Replaced,  Step::DuringCompare, Refusal::KeptChanged},
    Race{Target::Kept, Change::Rewritten, Step::DuringCompare, Refusal::KeptChanged},
    Race{Target::Kept, Change::Deleted,   Step::DuringCompare, Refusal::KeptChanged},
    // Between the last check and the move: found after the move, and undone.
    Race{Target::Copy, Change::Replaced,  Step::BeforeMove, Refusal::MovedBack},
    Race{Target::Copy, Change::Rewritten, Step::BeforeMove, Refusal::None},
    Race{Target::Copy, Change::Deleted,   Step::BeforeMove, Refusal::NotRegular},
    Race{Target::Kept, Change::Replaced,  Step::BeforeMove, Refusal::MovedBack},
    Race{Target::Kept, Change::Rewritten, Step::BeforeMove, Refusal::MovedBack},
    Race{Target::Kept, Change::Deleted,   Step::BeforeMove, Refusal::MovedBack}),
    raceName);
// clang-format on

}  // namespace
