// SPDX-License-Identifier: MIT
#include "engine/cli/LargestFolders.h"

#include <algorithm>
#include <numeric>

#include "engine/CheckedContent.h"
#include "engine/SpaceTree.h"
#include "engine/cli/VerifyRun.h"
#include "util/platform/FileSystem.h"

namespace {

std::string nativeFolder(std::string path) {
    if (path.size() > 1 && path.back() == '\\') path.pop_back();
    std::string native = platform::toNativePath(path);
    if (native.empty()) native = path;
    if (native.size() > 1 && (native.back() == '/' || native.back() == '\\')) native.pop_back();
    return native;
}

}  // namespace

bool LargestFolders::find(const std::string& databasePath, std::size_t most,
                          const VerifyRun* verified, std::string& error) {
    folders_.clear();
    verified_ = verified != nullptr;
    CheckedContent checked;
    if (verified != nullptr)
        for (const auto& [mask, group] : verified->kept) checked.add(group);
    SpaceTree space;
    if (!space.load(databasePath, verified != nullptr ? &checked : nullptr)) {
        error = space.errorText();
        return false;
    }
    const auto& stored = space.inventory().folders();
    std::vector<std::uint32_t> order(stored.size());
    std::iota(order.begin(), order.end(), 0u);
    const auto usage = [&](std::uint32_t f) { return space.row(f).figures.diskUsage; };
    std::vector<std::uint64_t> usages(stored.size());
    for (std::uint32_t f = 0; f < stored.size(); ++f) usages[f] = usage(f);
    const std::size_t count = std::min(most, order.size());
    std::partial_sort(order.begin(), order.begin() + std::ptrdiff_t(count), order.end(),
                      [&](std::uint32_t a, std::uint32_t b) {
                          if (usages[a] != usages[b]) return usages[a] > usages[b];
                          return stored[a].path < stored[b].path;
                      });
    for (std::size_t k = 0; k < count; ++k) {
        const SpaceTree::Figures figures = space.row(order[k]).figures;
        folders_.push_back({nativeFolder(stored[order[k]].path), figures.diskUsage, figures.size,
                            figures.files, figures.copiedBytes});
    }
    return true;
}

void LargestFolders::printText(std::FILE* out) const {
    std::fprintf(out, "%16s %16s %10s %16s  %s\n", "Disk usage", "Size", "Files",
                 "Copied elsewhere", "Folder");
    for (const Folder& folder : folders_) {
        const std::string copied =
            verified_ ? std::to_string(folder.copiedElsewhere) : std::string("-");
        std::fprintf(out, "%16llu %16llu %10llu %16s  %s\n",
                     static_cast<unsigned long long>(folder.diskUsage),
                     static_cast<unsigned long long>(folder.size),
                     static_cast<unsigned long long>(folder.files), copied.c_str(),
                     folder.path.c_str());
    }
}
