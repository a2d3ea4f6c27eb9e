// SPDX-License-Identifier: MIT
#include "CorpusPlan.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr int kMaxDepth = 10;
constexpr std::int64_t kEpoch = 1577836800;  // 2020-01-01 00:00 UTC
constexpr std::int64_t kTimeSpan = 3LL * 365 * 86400;

const char* const kFolderWords[] = {"Documents", "Photos 照片", "Music",      "备份",    "Projects",
                                    "l'été",     "Café Crème",  "\"Quoted\"", "Read Me", "数据",
                                    "Ärger",     "naïve",       "résumé",     "O'Brien", "日本語",
                                    "Übersicht", "tmp",         "src",        "Archive", "Vidéos",
                                    "下载 文件", "Noël",        "old stuff",  "Año 2019"};
const char* const kFileStems[] = {"report",       "IMG",       "Read Me",   "l'hiver",
                                  "\"draft\"",    "Résumé",    "照片",      "文档",
                                  "crème brûlée", "it's mine", "song",      "data",
                                  "Übung",        "notes",     "备份 copy", "façade"};
const char* const kExtensions[] = {".txt", ".jpg", ".png", ".mp3", ".mp4", ".doc", ".pdf",
                                   ".zip", ".cpp", ".h",   ".dat", "",     ".JPG", ".xlsx"};

// Sizes: each class is chosen with its share in a thousand; inside a class
// every power of two is equally likely and the size is uniform within it, so
// the distribution is log-uniform per class and heavy-tailed overall.
struct SizeClass {
    unsigned perMille;
    unsigned lowBits;
    unsigned highBits;
};
const SizeClass kSizeClasses[] = {
    {600, 0, 12}, {310, 12, 14}, {80, 14, 16}, {9, 16, 19}, {1, 20, 22}};

template <typename T, std::size_t N>
unsigned pick(Random& rng, const T (&)[N]) {
    return static_cast<unsigned>(rng.below(N));
}

}  // namespace

CorpusPlan::CorpusPlan(const CorpusOptions& options) : rng_(options.seed) {
    planFolders(options.folders);
    const std::size_t copies = options.files / 5;
    planFiles(options.files - copies, options.sizeScale);
    planCopies(options.files - copies, copies);
    for (std::size_t i = 0; i < files_.size(); ++i) files_[i].name = fileName(files_[i], i);
}

std::uint64_t CorpusPlan::totalBytes() const {
    std::uint64_t total = 0;
    for (const PlannedFile& file : files_) total += file.size;
    return total;
}

std::size_t CorpusPlan::copyCount() const {
    return static_cast<std::size_t>(std::count_if(files_.begin(), files_.end(), [](const auto& f) {
        return f.copyOf != PlannedFile::kOriginal;
    }));
}

void CorpusPlan::planFolders(std::size_t count) {
    folders_.reserve(count + 1);
    folders_.push_back(PlannedFolder{0, 0, std::string(), drawTime()});
    for (std::size_t i = 1; i <= count; ++i) {
        PlannedFolder folder;
        folder.parent = drawParent(i);
        folder.depth = folders_[folder.parent].depth + 1;
        folder.name = std::string(kFolderWords[pick(rng_, kFolderWords)]) + " " + std::to_string(i);
        folder.mtime = drawTime();
        folders_.push_back(std::move(folder));
    }
}

// Mixes three habits: a few folders at the top, children of an older folder
// with the oldest favoured (they gather many children, a heavy-tailed
// fan-out), and children of the last few folders (long chains). Chains stop
// a little short of kMaxDepth, at a depth that varies.
std::size_t CorpusPlan::drawParent(std::size_t index) {
    std::size_t parent = 0;
    const std::uint64_t habit = rng_.below(100);
    if (index <= 12 || habit < 2) {
        parent = 0;
    } else if (habit < 70) {
        parent = 1 + rng_.below(1 + rng_.below(index - 1));
    } else {
        parent = index - 1 - rng_.below(std::min<std::size_t>(index - 1, 6));
    }
    const int limit = kMaxDepth - static_cast<int>(rng_.below(4));
    while (folders_[parent].depth >= limit) parent = folders_[parent].parent;
    return parent;
}

void CorpusPlan::planFiles(std::size_t count, double sizeScale) {
    files_.reserve(count + count / 4 + 1);
    for (std::size_t i = 0; i < count; ++i) {
        PlannedFile file;
        file.folder = drawFolder();
        file.size = (i % 4000 == 3999) ? 0 : drawSize(sizeScale);
        file.contentSeed = rng_.next();
        file.mtime = drawTime();
        file.stem = pick(rng_, kFileStems);
        file.extension = pick(rng_, kExtensions);
        files_.push_back(file);
    }
}

// Walks the originals in a shuffled order; each chosen one gets one copy
// mostly, sometimes two to five, until the copy budget is spent. A copy lands
// beside its source now and then, elsewhere mostly.
void CorpusPlan::planCopies(std::size_t originals, std::size_t copies) {
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < originals; ++i) {
        if (files_[i].size > 0) order.push_back(i);
    }
    for (std::size_t i = order.size(); i > 1; --i) std::swap(order[i - 1], order[rng_.below(i)]);
    std::size_t made = 0;
    for (std::size_t i = 0; made < copies && !order.empty(); i = (i + 1) % order.size()) {
        const std::uint64_t roll = rng_.below(100);
        std::size_t group = roll < 75 ? 1 : roll < 90 ? 2 : 3 + rng_.below(3);
        for (group = std::min(group, copies - made); group > 0; --group, ++made) addCopy(order[i]);
    }
}

void CorpusPlan::addCopy(std::size_t source) {
    PlannedFile copy = files_[source];
    copy.copyOf = source;
    copy.folder = rng_.chance(15) ? files_[source].folder : drawFolder();
    copy.mtime = drawTime();
    files_.push_back(copy);
}

std::uint64_t CorpusPlan::drawSize(double sizeScale) {
    std::uint64_t roll = rng_.below(1000);
    const SizeClass* chosen = std::begin(kSizeClasses);
    while (roll >= chosen->perMille && chosen + 1 != std::end(kSizeClasses)) {
        roll -= chosen->perMille;
        ++chosen;
    }
    const unsigned bits =
        chosen->lowBits + static_cast<unsigned>(rng_.below(chosen->highBits - chosen->lowBits));
    const std::uint64_t low = std::uint64_t{1} << bits;
    const std::uint64_t size = low + rng_.below(low);
    const auto scaled = static_cast<std::uint64_t>(static_cast<double>(size) * sizeScale);
    return std::max<std::uint64_t>(scaled, 1);
}

// A quarter of the files go to the oldest 2% of the folders, so a few folders
// hold hundreds of files while most hold a handful.
std::size_t CorpusPlan::drawFolder() {
    const std::size_t count = folders_.size();
    if (rng_.chance(25)) return rng_.below(std::max<std::size_t>(count / 50, 1));
    return rng_.below(count);
}

std::int64_t CorpusPlan::drawTime() {
    return kEpoch + static_cast<std::int64_t>(rng_.below(kTimeSpan));
}

std::string CorpusPlan::fileName(const PlannedFile& file, std::size_t index) {
    return std::string(kFileStems[file.stem]) + " " + std::to_string(index) +
           kExtensions[file.extension];
}
