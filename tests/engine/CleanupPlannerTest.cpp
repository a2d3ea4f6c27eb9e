// SPDX-License-Identifier: MIT
// Planning a clean-up of checked groups by keep rules: which file stays, what
// goes, protected folders and hard links, and a file that one step keeps
// while another would move it.
#include <unistd.h>

#include <algorithm>
#include <random>
#include <set>

#include "ContentCheckSupport.h"
#include "engine/CleanupPlanner.h"

namespace {

std::vector<KeepRule> rules(const std::string& text) {
    std::vector<KeepRule> parsed;
    std::string error;
    EXPECT_TRUE(KeepRule::parseList(text, parsed, error)) << error;
    return parsed;
}

}  // namespace

class CleanupPlannerTest : public ContentCheckTest {
protected:
    // Writes `relative` with the shared content, its time `mtime`, and
    // enters it in the group.
    void add(const std::string& relative, std::int64_t mtime) {
        tree_.writeFile(relative, kContent);
        tree_.setModificationTime(relative, mtime);
        mask_ = addRow(relative, "C1", kContent.size());
    }

    std::vector<GroupCheck> checkedGroups(const std::vector<std::string>& masks) {
        std::vector<GroupCheck> groups;
        for (const std::string& mask : masks) groups.push_back(check(mask));
        return groups;
    }

    // The relative path of file `index` of `group`.
    std::string nameOf(const GroupCheck& group, int index) const {
        const std::string path = group.files[std::size_t(index)].path();
        const std::string root = tree_.drivePath("") + "\\";
        std::string relative = path.substr(root.size());
        std::replace(relative.begin(), relative.end(), '\\', '/');
        return relative;
    }

    // The file that stays under `text`, as a relative path.
    std::string keptUnder(const std::string& text, const CleanupPlanner::ProtectedTest& test = {}) {
        const std::vector<GroupCheck> groups = checkedGroups({mask_});
        const std::vector<CleanupStep> steps = CleanupPlanner(rules(text), test).plan(groups);
        if (steps.size() != 1) return "(" + std::to_string(steps.size()) + " steps)";
        return nameOf(groups[0], steps[0].keep);
    }

    const std::string kContent = "the same bytes in every copy";
    std::string mask_;
};

TEST_F(CleanupPlannerTest, EachRuleAndTheirOrderChooseTheFileThatStays) {
    add("b/photo.jpg", 2000);
    add("a/deeper/still/photo (1).jpg", 1000);
    add("a/Copy of photo.jpg", 3000);
    add("c/photo - 副本.jpg", 1000);

    EXPECT_EQ(keptUnder("oldest"), "a/deeper/still/photo (1).jpg");  // tie with c/: first listed
    EXPECT_EQ(keptUnder("newest"), "a/Copy of photo.jpg");
    EXPECT_EQ(keptUnder("shortest-path"), "b/photo.jpg");
    EXPECT_EQ(keptUnder("longest-path"), "a/deeper/still/photo (1).jpg");
    EXPECT_EQ(keptUnder("shallowest"), "b/photo.jpg");  // ties with a/Copy.. and c/: first
    EXPECT_EQ(keptUnder("deepest"), "a/deeper/still/photo (1).jpg");
    EXPECT_EQ(keptUnder("plain-name"), "b/photo.jpg");
    EXPECT_EQ(keptUnder("path:" + folder("c")), "c/photo - 副本.jpg");
    // Each rule breaks the ties the one before leaves.
    EXPECT_EQ(keptUnder("oldest,longest-path"), "a/deeper/still/photo (1).jpg");
    EXPECT_EQ(keptUnder("oldest,shortest-path"), "c/photo - 副本.jpg");
    EXPECT_EQ(keptUnder("path:" + folder("a") + ",newest"), "a/Copy of photo.jpg");
    EXPECT_EQ(keptUnder("path:" + folder("a") + ",oldest"), "a/deeper/still/photo (1).jpg");

    const std::vector<GroupCheck> groups = checkedGroups({mask_});
    const std::vector<CleanupStep> steps = CleanupPlanner(rules("oldest"), {}).plan(groups);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].moving.size(), 3u);
    EXPECT_EQ(steps[0].bytes, 3 * kContent.size());
    EXPECT_TRUE(steps[0].refusal.empty());
}

TEST_F(CleanupPlannerTest, ProtectedFilesAlwaysStayAndAnAllProtectedClassMovesNothing) {
    add("keep/a.jpg", 3000);
    add("keep/b.jpg", 2000);
    add("loose/c.jpg", 1000);
    const std::string guarded = folder("keep");
    const auto inKeep = [&](const std::string& path) { return path.rfind(guarded, 0) == 0; };

    // Oldest would keep loose/c.jpg, but protection ranks first, whatever the list says.
    const std::vector<GroupCheck> groups = checkedGroups({mask_});
    const std::vector<CleanupStep> steps = CleanupPlanner(rules("oldest"), inKeep).plan(groups);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(nameOf(groups[0], steps[0].keep), "keep/b.jpg");
    ASSERT_EQ(steps[0].moving.size(), 1u);  // keep/a.jpg is protected too: it stays
    EXPECT_EQ(nameOf(groups[0], steps[0].moving[0]), "loose/c.jpg");

    // The user's own choice cannot move a protected file either.
    CleanupStep chosen = steps[0];
    ASSERT_TRUE(
        CleanupPlanner(rules("oldest"), inKeep).choose(groups[0], chosen, steps[0].moving[0]));
    EXPECT_EQ(nameOf(groups[0], chosen.keep), "loose/c.jpg");
    EXPECT_TRUE(chosen.moving.empty());

    const auto everywhere = [](const std::string&) { return true; };
    EXPECT_TRUE(CleanupPlanner(rules("oldest"), everywhere).plan(groups).empty());
}

TEST_F(CleanupPlannerTest, HardLinksOfTheFileThatStayNeverGoAndLinkedCopiesFreeTheirBytesOnce) {
    add("a/kept.txt", 1000);
    tree_.makeFolder("b");
    tree_.makeFolder("d");
    ASSERT_EQ(::link(tree_.native("a/kept.txt").c_str(), tree_.native("b/kept-link.txt").c_str()),
              0);
    addRow("b/kept-link.txt", "C1", kContent.size());
    add("c/copy.txt", 2000);
    ASSERT_EQ(::link(tree_.native("c/copy.txt").c_str(), tree_.native("d/copy-link.txt").c_str()),
              0);
    addRow("d/copy-link.txt", "C1", kContent.size());

    const std::vector<GroupCheck> groups = checkedGroups({mask_});
    const std::vector<CleanupStep> steps = CleanupPlanner(rules("oldest"), {}).plan(groups);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(nameOf(groups[0], steps[0].keep), "a/kept.txt");
    std::vector<std::string> moving;
    for (const int file : steps[0].moving) moving.push_back(nameOf(groups[0], file));
    EXPECT_EQ(moving, (std::vector<std::string>{"c/copy.txt", "d/copy-link.txt"}));
    EXPECT_EQ(steps[0].bytes, kContent.size());  // two names of one file
}

TEST_F(CleanupPlannerTest, AFileKeptInOneStepIsNeverMovedByAnother) {
    // One file under two names whose rows landed in two groups: the step of
    // the second group must not move the name the first group keeps.
    add("a/one.txt", 1000);
    add("b/two.txt", 2000);
    const std::string first = mask_;
    tree_.makeFolder("c");
    ASSERT_EQ(::link(tree_.native("a/one.txt").c_str(), tree_.native("c/one-again.txt").c_str()),
              0);
    const std::string second = addRow("c/one-again.txt", "C2", kContent.size());
    tree_.writeFile("d/other.txt", kContent);
    addRow("d/other.txt", "C2", kContent.size());

    std::vector<GroupCheck> groups = checkedGroups({first, second});
    // Newest keeps b/two.txt in the first group (a/one.txt goes) and
    // d/other.txt in the second (c/one-again.txt goes): a/one.txt would go
    // twice, fine; now keep a/one.txt in the first group by hand.
    const CleanupPlanner planner(rules("newest"), {});
    std::vector<CleanupStep> steps = planner.plan(groups);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_TRUE(steps[0].refusal.empty());
    EXPECT_TRUE(steps[1].refusal.empty());

    const int one = steps[0].moving.at(0);
    ASSERT_EQ(nameOf(groups[0], one), "a/one.txt");
    ASSERT_TRUE(planner.choose(groups[0], steps[0], one));
    CleanupPlanner::refuseCrossings(groups, steps);
    EXPECT_TRUE(steps[0].refusal.empty());
    EXPECT_EQ(steps[1].refusal, CleanupPlanner::kCrossingRefusal);
    EXPECT_EQ(CleanupPlanner::totalFiles(steps), 1u);
    EXPECT_EQ(CleanupPlanner::totalBytes(steps), kContent.size());
}

TEST(KeepRuleTest, SpellingsReadBackAndCopyMarksAreFound) {
    std::vector<KeepRule> parsed;
    std::string error;
    ASSERT_TRUE(KeepRule::parseList(
        "path:C:\\Photos\\,oldest,newest,shortest-path,longest-path,shallowest,deepest,plain-name",
        parsed, error));
    std::string joined;
    for (const KeepRule& rule : parsed) joined += rule.spelling() + ";";
    EXPECT_EQ(joined,
              "path:C:\\Photos\\;oldest;newest;shortest-path;longest-path;shallowest;deepest;"
              "plain-name;");
    for (const char* bad : {"", "oldest,", "largest", "path:", "protected"}) {
        std::vector<KeepRule> none;
        EXPECT_FALSE(KeepRule::parseList(bad, none, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
    for (const char* marked : {"photo (1).jpg", "photo (12)", "Copy of photo.jpg",
                               "photo - Copy.jpg", "photo - copy (2).jpg", "photo - 副本.jpg"})
        EXPECT_TRUE(KeepRule::hasCopyMark(marked)) << marked;
    for (const char* plain :
         {"photo.jpg", "photo(1).jpg", "(1).jpg", "photo (x).jpg", "copy.jpg", "photocopy of.jpg"})
        EXPECT_FALSE(KeepRule::hasCopyMark(plain)) << plain;
}

namespace {

// The plain rule, round after round until nothing changes: a step that would
// move a file some other step keeps (or a refused step leaves) is refused.
std::vector<bool> refusedByRounds(const std::vector<GroupCheck>& groups,
                                  const std::vector<CleanupStep>& steps) {
    std::vector<bool> refused(steps.size(), false);
    for (bool changed = true; changed;) {
        changed = false;
        std::set<std::string> kept;
        for (std::size_t s = 0; s < steps.size(); ++s) {
            const GroupCheck& group = groups[steps[s].group];
            for (const int member : group.classes[std::size_t(steps[s].contentClass)]) {
                const auto& moving = steps[s].moving;
                if (refused[s] || std::find(moving.begin(), moving.end(), member) == moving.end())
                    kept.insert(CleanupPlanner::fileKey(group.files[std::size_t(member)]));
            }
        }
        for (std::size_t s = 0; s < steps.size(); ++s) {
            if (refused[s]) continue;
            const GroupCheck& group = groups[steps[s].group];
            for (const int member : steps[s].moving)
                if (kept.count(CleanupPlanner::fileKey(group.files[std::size_t(member)])) > 0) {
                    refused[s] = changed = true;
                    break;
                }
        }
    }
    return refused;
}

}  // namespace

// Files drawn from a small pool, so that one file is reached through several
// groups and refusals chain from step to step; the plan's check must refuse
// exactly what the plain rule refuses.
TEST(CleanupPlannerCrossingTest, RefusesExactlyWhatThePlainRuleRefusesOnSharedFiles) {
    std::mt19937 random(20261214);
    for (int round = 0; round < 200; ++round) {
        std::vector<GroupCheck> groups(1 + random() % 12);
        for (GroupCheck& group : groups) {
            const int count = 2 + int(random() % 4);
            group.classes.emplace_back();
            for (int f = 0; f < count; ++f) {
                CheckedFile file;
                file.folderPath = "C:\\g\\";
                const auto pooled = std::uint64_t(random() % 15);
                file.name = "f" + std::to_string(pooled);
                // A few files have no identity and are told apart by path.
                if (pooled % 5 != 0) file.identity = {7, 100 + pooled};
                file.contentClass = 0;
                group.files.push_back(file);
                group.classes[0].push_back(f);
            }
        }
        const CleanupPlanner planner({}, {});
        std::vector<CleanupStep> steps = planner.plan(groups);
        for (CleanupStep& step : steps) {
            const int keep = int(random() % groups[step.group].files.size());
            ASSERT_TRUE(planner.choose(groups[step.group], step, keep));
        }
        CleanupPlanner::refuseCrossings(groups, steps);
        const std::vector<bool> expected = refusedByRounds(groups, steps);
        for (std::size_t s = 0; s < steps.size(); ++s)
            EXPECT_EQ(!steps[s].refusal.empty(), expected[s]) << "round " << round << " step " << s;
    }
}
