// SPDX-License-Identifier: MIT
#include "engine/FolderWalker.h"

#include <utility>

#include "engine/FileInfoProc.h"
#include "util/platform/FileSystem.h"

namespace {

// Folders read ahead of the scanner: enough to keep both threads busy, few
// enough that their file lists stay small.
constexpr std::size_t kFoldersAhead = 32;

}  // namespace

FolderWalker::FolderWalker(const FileInfoProc& scanner, std::string start,
                           std::int64_t lastScanTime)
    : scanner_(scanner), lastScanTime_(lastScanTime) {
    thread_ = std::thread([this, start = std::move(start)]() mutable { run(std::move(start)); });
}

FolderWalker::~FolderWalker() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

FolderWork FolderWalker::next() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !ready_.empty(); });
    FolderWork work = std::move(ready_.front());
    ready_.pop_front();
    lock.unlock();
    changed_.notify_all();
    return work;
}

bool FolderWalker::push(FolderWork work) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return stopping_ || ready_.size() < kFoldersAhead; });
    if (stopping_) return false;
    ready_.push_back(std::move(work));
    lock.unlock();
    changed_.notify_all();
    return true;
}

void FolderWalker::run(std::string start) {
    // The same explicit stack as the scanner's own walk: the next folder last.
    std::vector<std::string> pending{std::move(start)};
    std::vector<std::string> subfolders;
    bool going = true;
    while (going && !pending.empty()) {
        const std::string folder = std::move(pending.back());
        pending.pop_back();
        FolderWork work = examine(folder, subfolders);
        going = push(std::move(work));
        for (auto sub = subfolders.rbegin(); sub != subfolders.rend(); ++sub)
            pending.push_back(std::move(*sub) + '\\');
    }
    FolderWork end;
    end.kind = FolderWork::Kind::End;
    std::lock_guard<std::mutex> lock(mutex_);
    ready_.push_back(std::move(end));
    changed_.notify_all();
}

FolderWork FolderWalker::examine(const std::string& folder,
                                 std::vector<std::string>& subfolders) const {
    FolderWork work;
    work.folder = folder;
    work.kind = FolderWork::Kind::Skipped;
    subfolders.clear();
    if (scanner_.excludedFolders().matches(folder.c_str())) return work;
    std::vector<std::string> paths;
    if (!scanner_.listFolder(folder, work.timeText, subfolders, paths)) return work;
    switch (scanner_.folderData().compareFolderTime(work.timeText, folder)) {
        case 0:
            prepareNew(work, paths);
            break;
        case 1:
            prepareUnchanged(work, paths);
            break;
        default:
            work.kind = FolderWork::Kind::Changed;
            work.subfolders = subfolders;
            work.listed = std::move(paths);
            break;
    }
    return work;
}

void FolderWalker::prepareNew(FolderWork& work, std::vector<std::string>& paths) const {
    work.kind = FolderWork::Kind::New;
    work.files.resize(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        FolderWork::File& file = work.files[i];
        file.path = std::move(paths[i]);
        char mask[256] = {};
        if (FileInfoProc::computeFingerprint(file.path.c_str(), file.mtime, mask)) file.mask = mask;
    }
}

void FolderWalker::prepareUnchanged(FolderWork& work, std::vector<std::string>& paths) const {
    work.kind = FolderWork::Kind::Unchanged;
    work.files.resize(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        FolderWork::File& file = work.files[i];
        file.path = std::move(paths[i]);
        std::int64_t modified = 0;
        if (!platform::modificationTime(file.path, modified) || modified <= lastScanTime_) continue;
        char mask[256] = {};
        if (FileInfoProc::computeFingerprint(file.path.c_str(), file.mtime, mask)) file.mask = mask;
    }
}
