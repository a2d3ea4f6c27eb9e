// SPDX-License-Identifier: MIT
#include "engine/FolderWalker.h"

#include <utility>

#include "engine/FileInfoProc.h"
#include "util/platform/FileSystem.h"

namespace {

// Folders read ahead of the scanner: enough to keep every thread busy, few
// enough that their file lists stay small.
constexpr std::size_t kFoldersAhead = 32;
// Threads that read files. The reading is system calls, which run on as many
// processors as there are; two keep the scanner's writing the slower part on
// a small machine.
constexpr int kReaders = 2;

}  // namespace

FolderWalker::FolderWalker(const FileInfoProc& scanner, std::string start,
                           std::int64_t lastScanTime)
    : scanner_(scanner), lastScanTime_(lastScanTime) {
    for (int i = 0; i < kReaders; ++i) readers_.emplace_back([this] { read(); });
    walker_ = std::thread([this, start = std::move(start)]() mutable { walk(std::move(start)); });
}

FolderWalker::~FolderWalker() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    walker_.join();
    for (std::thread& reader : readers_) reader.join();
}

FolderWork FolderWalker::next() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !ready_.empty() && ready_.front()->prepared; });
    FolderWork work = std::move(ready_.front()->work);
    ready_.pop_front();
    lock.unlock();
    changed_.notify_all();
    return work;
}

bool FolderWalker::push(FolderWork work, bool needsReading) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return stopping_ || ready_.size() < kFoldersAhead; });
    if (stopping_) return false;
    ready_.push_back(std::make_unique<Slot>(Slot{std::move(work), !needsReading}));
    if (needsReading) unread_.push_back(ready_.back().get());
    lock.unlock();
    changed_.notify_all();
    return true;
}

void FolderWalker::walk(std::string start) {
    // The same explicit stack as the scanner's own walk: the next folder last.
    std::vector<std::string> pending{std::move(start)};
    std::vector<std::string> subfolders;
    bool going = true;
    while (going && !pending.empty()) {
        const std::string folder = std::move(pending.back());
        pending.pop_back();
        FolderWork work = examine(folder, subfolders);
        const bool needsReading =
            work.kind == FolderWork::Kind::New || work.kind == FolderWork::Kind::Unchanged;
        going = push(std::move(work), needsReading);
        for (auto sub = subfolders.rbegin(); sub != subfolders.rend(); ++sub)
            pending.push_back(std::move(*sub) + '\\');
    }
    FolderWork end;
    end.kind = FolderWork::Kind::End;
    std::lock_guard<std::mutex> lock(mutex_);
    ready_.push_back(std::make_unique<Slot>(Slot{std::move(end), true}));
    walked_ = true;
    changed_.notify_all();
}

void FolderWalker::read() {
    for (;;) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return stopping_ || walked_ || !unread_.empty(); });
        if (stopping_ || unread_.empty()) return;  // stopped, or walked and all read
        Slot* slot = unread_.front();
        unread_.pop_front();
        lock.unlock();
        // The slot stays in ready_ until it is marked prepared, so it lives on meanwhile.
        prepare(slot->work);
        lock.lock();
        slot->prepared = true;
        lock.unlock();
        changed_.notify_all();
    }
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
            work.kind = FolderWork::Kind::New;
            break;
        case 1:
            work.kind = FolderWork::Kind::Unchanged;
            break;
        default:
            work.kind = FolderWork::Kind::Changed;
            work.subfolders = subfolders;
            work.listed = std::move(paths);
            return work;
    }
    work.files.resize(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) work.files[i].path = std::move(paths[i]);
    return work;
}

void FolderWalker::prepare(FolderWork& work) const {
    const bool isNew = work.kind == FolderWork::Kind::New;
    for (FolderWork::File& file : work.files) {
        std::int64_t modified = 0;
        if (!isNew &&
            (!platform::modificationTime(file.path, modified) || modified <= lastScanTime_))
            continue;
        char mask[256] = {};
        if (FileInfoProc::computeFingerprint(file.path.c_str(), file.mtime, mask)) file.mask = mask;
    }
}
