// SPDX-License-Identifier: MIT
// Times a clean-up plan over many checked classes, as the window and
// lanbrook-scan --trash-copies make it: the keep rules ranking each class's
// files, protected folders, hard links, and the check that no file one step
// keeps is moved by another. The groups are made in memory (what the content
// check hands over), so only the planner is measured.
//   cleanup_plan [CLASSES] [RUNS]     defaults 100000 and 5
// Prints one key=value line per measurement (medians over the runs).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/CleanupPlanner.h"

namespace {

// Group g holds one class of 2 to 5 copies spread over folders of several
// depths, names with and without copy marks; every 50th group holds a second
// name (hard link) of one of its copies, and every 100th group a file in the
// protected folder.
std::vector<GroupCheck> makeGroups(std::size_t count) {
    std::vector<GroupCheck> groups(count);
    std::uint64_t inode = 1;
    for (std::size_t g = 0; g < count; ++g) {
        GroupCheck& group = groups[g];
        group.length = 1000 + g % 5000;
        group.mask = std::to_string(g);
        group.state = GroupState::Confirmed;
        const int copies = 2 + int(g % 4);
        std::vector<int> members;
        for (int c = 0; c < copies; ++c) {
            CheckedFile file;
            file.folderId = std::to_string(g % 8000);
            file.folderPath =
                (g % 100 == 0 && c == 1 ? std::string("C:\\keep\\")
                                        : "C:\\data\\d" + std::to_string(g % 8000) + "\\") +
                std::string(std::size_t(c), 's') + "\\";
            file.name = "photo" + std::to_string(g) + (c % 2 == 1 ? " (1).jpg" : ".jpg");
            file.rowTime = 1700000000 + std::int64_t((g * 7 + std::size_t(c) * 13) % 1000);
            file.contentClass = 0;
            file.identity = {1, inode++};
            members.push_back(c);
            group.files.push_back(std::move(file));
        }
        if (g % 50 == 0) {
            CheckedFile link = group.files[1];
            link.name = "link-" + link.name;
            group.files[1].linkSet = 0;
            link.linkSet = 0;
            group.files.push_back(std::move(link));
            members.push_back(copies);
            group.linkSets.push_back({1, copies});
        }
        group.classes.push_back(std::move(members));
    }
    return groups;
}

double secondsOf(const std::vector<GroupCheck>& groups, const std::vector<KeepRule>& rules,
                 std::size_t& steps) {
    const CleanupPlanner planner(
        rules, [](const std::string& path) { return path.compare(0, 8, "C:\\keep\\") == 0; });
    const auto start = std::chrono::steady_clock::now();
    steps = planner.plan(groups).size();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t classes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    const std::vector<GroupCheck> groups = makeGroups(classes);
    std::size_t files = 0;
    for (const GroupCheck& group : groups) files += group.files.size();
    for (const char* spelling :
         {"oldest", "plain-name,oldest", "path:C:\\data\\d7\\,shallowest,plain-name,newest"}) {
        std::vector<KeepRule> rules;
        std::string error;
        if (!KeepRule::parseList(spelling, rules, error)) {
            std::fprintf(stderr, "cleanup_plan: %s\n", error.c_str());
            return 2;
        }
        std::vector<double> times;
        std::size_t steps = 0;
        for (int run = 0; run < runs; ++run) times.push_back(secondsOf(groups, rules, steps));
        std::sort(times.begin(), times.end());
        std::printf(
            "classes=%zu files=%zu rules=%s steps=%zu median_seconds=%.3f max_seconds=%.3f\n",
            classes, files, spelling, steps, times[times.size() / 2], times.back());
    }
    return 0;
}
