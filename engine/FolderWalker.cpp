// SPDX-License-Identifier: MIT
#include "engine/FolderWalker.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <utility>

#include "engine/FileInfoProc.h"
#include "engine/ThreadStart.h"
#include "util/platform/FileSystem.h"
#include "util/platform/OpenFolder.h"

namespace {

// Folders queued ahead of the scanner: enough to keep every reader busy.
// A folder is always let in when none waits, however many files it holds.
constexpr std::size_t kFoldersAhead = 512;
// Bytes of listings held ahead of the scanner, and what one entry is
// reckoned to take beside its path: its string in the listing, its file
// record with the fingerprint text a reader writes, and the allocator's
// share of each. 8 MiB is some 30 000 files of usual paths, several times
// what the readers have in hand at once.
constexpr std::size_t kBudgetBytes = std::size_t{8} << 20;
constexpr std::size_t kEntryBytes = 192;
// Folders ready for the scanner before a waiting scanner is woken (it is
// also woken whenever the walk itself is about to wait, and at the end).
constexpr std::size_t kScannerBatch = 32;
// Files a reader claims at a time: a large folder is read by many readers.
constexpr std::size_t kFilesPerClaim = 16;
// Threads that read files. With a warm page cache the reading is processor
// work that competes with the scanner's writing, and more readers than
// processors only take turns; with a cold one each reader waits on the disk,
// which serves many requests at once, and 16 to 32 are best (measured on two
// cores). So the walk starts with two and adds one each time the scanner
// finds its next folder unread while the processors have room
// (ProcessorRoom), up to kMostReaders.
constexpr std::size_t kFirstReaders = 2;
constexpr std::size_t kMostReaders = 32;
// Folders listed ahead of the walk (offered, being listed or listed), and the
// threads that list them: with a warm cache one lister ahead of the walk is
// best, since every hand-over between threads costs about as much as a
// listing (measured: 4 listers made a rescan a third slower, and more
// listers whenever processors had room still a quarter slower); with a cold
// one several listings in flight keep the disk busy. So the walk starts with
// one and adds one, up to kMostListers, each time it waits for a listing
// while listings take as long as reads from a disk: a listing from the cache
// (with the status of its files) takes tens of microseconds.
constexpr std::chrono::microseconds kSlowListing{1000};
constexpr int kListingsJudged = 8;  // listings an answer needs
constexpr std::size_t kListingsAhead = 256;
constexpr std::size_t kMostListers = 8;

// Paths shorter than this are far from any system's length limit, so opening
// their files relative to the open folder finds exactly the files their paths
// would.
constexpr std::size_t kRelativeOpenLimit = 1024;

// A fixed number of readers set by the environment, for measuring; 0 when none is.
std::size_t fixedReaders() {
    const char* text = std::getenv("LANBROOK_READERS");
    const int wanted = text != nullptr ? std::atoi(text) : 0;
    return wanted >= 1 && wanted <= 256 ? static_cast<std::size_t>(wanted) : 0;
}

// The budget of the listings ahead: LANBROOK_LOOKAHEAD_KIB (1 KiB to 4 GiB)
// when the environment sets it, for measuring; else the default.
std::size_t lookaheadBudget() {
    const char* text = std::getenv("LANBROOK_LOOKAHEAD_KIB");
    const long long kib = text != nullptr ? std::atoll(text) : 0;
    return kib >= 1 && kib <= (1LL << 22) ? static_cast<std::size_t>(kib) << 10 : kBudgetBytes;
}

// What a listing of `folder` is reckoned to hold in memory.
std::size_t bytesOf(const std::string& folder, const std::vector<std::string>& subfolders,
                    const std::vector<std::string>& files) {
    std::size_t bytes = folder.size() + kEntryBytes;
    for (const std::string& path : subfolders) bytes += path.size() + kEntryBytes;
    for (const std::string& path : files) bytes += path.size() + kEntryBytes;
    return bytes;
}

}  // namespace

FolderWalker::FolderWalker(const FileInfoProc& scanner, std::string start,
                           std::int64_t lastScanTime)
    : scanner_(scanner), lastScanTime_(lastScanTime), budget_(lookaheadBudget()) {
    pending_.push_back(std::move(start));
    // Whatever cannot be started is done without (see the class comment).
    // The walk comes last: it reads how many listers and readers there are.
    (void)startThread(listers_, [this] { list(); });
    const std::size_t fixed = fixedReaders();
    mostReaders_ = fixed != 0 ? fixed : kMostReaders;
    for (std::size_t i = fixed != 0 ? fixed : kFirstReaders; i > 0; --i) {
        if (!startThread(readers_, [this] { read(); })) {
            mostReaders_ = readers_.size();
            break;
        }
    }
    readHere_ = readers_.empty();
    (void)startThread(walker_, [this] { walk(); });  // without it next() walks
}

FolderWalker::~FolderWalker() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    readable_.notify_all();
    space_.notify_all();
    // The walk may wait for a listing in progress: the listers stop after it.
    if (walker_.joinable()) walker_.join();
    {
        std::lock_guard<std::mutex> lock(listMutex_);
        listingStopped_ = true;
    }
    toList_.notify_all();
    for (std::thread& lister : listers_) lister.join();
    for (std::thread& reader : readers_) reader.join();
}

FolderWork FolderWalker::next() {
    if (!walker_.joinable()) walkHere();
    std::unique_lock<std::mutex> lock(mutex_);
    const auto isReady = [this] { return !ready_.empty() && ready_.front()->prepared; };
    // Waiting for the readers: when they leave processors idle (they wait
    // on the disk), one more helps.
    if (!isReady() && !unread_.empty() && readers_.size() < mostReaders_ && readRoom_.hasRoom() &&
        !startThread(readers_, [this] { read(); }))
        mostReaders_ = readers_.size();  // the system gives no more threads: go on with these
    // Without readers the files are read here, as they come.
    const auto canGo = [&] { return isReady() || (readHere_ && !unread_.empty()); };
    prepared_.wait(lock, canGo);
    while (!isReady()) {
        (void)readRun(lock);
        prepared_.wait(lock, canGo);
    }
    FolderWork work = std::move(ready_.front()->work);
    // Under mutex_, so that a walk about to wait for room sees it.
    const std::size_t cost = ready_.front()->cost;
    const std::size_t before = bytesAhead_.fetch_sub(cost);
    ready_.pop_front();
    lock.unlock();
    space_.notify_one();
    wakeListers(before, cost);
    return work;
}

void FolderWalker::wakeListers(std::size_t before, std::size_t released) {
    const std::size_t share = budget_ / 2;
    if (before < share || before - released >= share) return;
    // Taking the lock orders this after a lister's look at the room: it
    // either sees the room or is already waiting to be woken.
    { std::lock_guard<std::mutex> lock(listMutex_); }
    toList_.notify_all();
}

bool FolderWalker::roomToList() const {
    return bytesAhead_.load() + reserved_ < budget_ / 2;
}

void FolderWalker::walkHere() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!ready_.empty()) return;
    }
    if (!walkOne()) endWalk();
}

void FolderWalker::wakeScanner() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!ready_.empty() && ready_.front()->prepared) prepared_.notify_one();
}

bool FolderWalker::push(FolderWork work, bool needsReading, std::size_t cost) {
    std::unique_lock<std::mutex> lock(mutex_);
    // The folder's own listing is counted already: beyond the budget it
    // waits until the scanner has taken every folder before it.
    const auto hasSpace = [this] {
        return stopping_ || ready_.empty() ||
               (ready_.size() < kFoldersAhead && bytesAhead_.load() <= budget_);
    };
    // The walk is about to wait for the scanner: it must not sleep on what is ready.
    if (!hasSpace() && ready_.front()->prepared) prepared_.notify_one();
    space_.wait(lock, hasSpace);
    if (stopping_) return false;
    needsReading =
        needsReading && std::any_of(work.files.begin(), work.files.end(),
                                    [](const FolderWork::File& file) { return !file.settled; });
    ready_.push_back(std::make_unique<Slot>());
    ready_.back()->work = std::move(work);
    ready_.back()->cost = cost;
    ready_.back()->prepared = !needsReading;
    if (needsReading) unread_.push_back(ready_.back().get());
    // A waiting scanner is woken for a batch of folders, not for each one:
    // a hand-over between threads costs about as much as writing a folder.
    // (It is woken too when the walk is about to wait, when the readers have
    // read its next folder, and at the end.)
    const bool batch = ready_.size() >= kScannerBatch && ready_.front()->prepared;
    const bool severalClaims = ready_.back()->work.files.size() > kFilesPerClaim;
    lock.unlock();
    // Each waiting thread is woken only for work it can take.
    if (batch || (needsReading && readHere_)) prepared_.notify_one();
    if (needsReading && severalClaims) readable_.notify_all();
    if (needsReading && !severalClaims) readable_.notify_one();
    return true;
}

void FolderWalker::walk() {
    while (walkOne()) {
    }
    endWalk();
}

bool FolderWalker::walkOne() {
    // The same explicit stack as the scanner's own walk: the next folder last.
    if (pending_.empty()) return false;
    const std::string folder = std::move(pending_.back());
    pending_.pop_back();
    std::vector<std::string> subfolders;
    std::size_t cost = 0;
    FolderWork work = examine(folder, subfolders, cost);
    const bool needsReading =
        work.kind == FolderWork::Kind::New || work.kind == FolderWork::Kind::Unchanged;
    if (!push(std::move(work), needsReading, cost)) return false;
    for (auto sub = subfolders.rbegin(); sub != subfolders.rend(); ++sub)
        pending_.push_back(std::move(*sub) + '\\');
    return true;
}

void FolderWalker::endWalk() {
    FolderWork end;
    end.kind = FolderWork::Kind::End;
    std::lock_guard<std::mutex> lock(mutex_);
    ready_.push_back(std::make_unique<Slot>());
    ready_.back()->work = std::move(end);
    ready_.back()->prepared = true;
    walked_ = true;
    readable_.notify_all();
    prepared_.notify_one();
}

void FolderWalker::read() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        readable_.wait(lock, [this] { return stopping_ || walked_ || !unread_.empty(); });
        if (stopping_ || unread_.empty()) return;  // stopped, or walked and all read
        if (readRun(lock)) {
            lock.unlock();
            prepared_.notify_one();
            lock.lock();
        }
    }
}

bool FolderWalker::readRun(std::unique_lock<std::mutex>& lock) {
    // The first folder with unclaimed files: the one the scanner needs soonest.
    Slot* slot = unread_.front();
    const std::size_t from = slot->claimed;
    const std::size_t to = std::min(from + kFilesPerClaim, slot->work.files.size());
    slot->claimed = to;
    if (to == slot->work.files.size()) unread_.pop_front();
    lock.unlock();
    // The slot stays in ready_ until it is marked prepared, so it lives on
    // meanwhile; each reader writes only the files it claimed.
    prepare(slot->work, from, to);
    lock.lock();
    slot->done += to - from;
    slot->prepared = slot->done == slot->work.files.size();
    // Only the first folder is waited for.
    return slot->prepared && ready_.front().get() == slot;
}

FolderWork FolderWalker::examine(const std::string& folder, std::vector<std::string>& subfolders,
                                 std::size_t& cost) {
    FolderWork work;
    work.folder = folder;
    work.kind = FolderWork::Kind::Skipped;
    subfolders.clear();
    cost = 0;
    if (scanner_.excludedFolders().matches(folder.c_str())) return work;
    Listing listing = takeListing(folder);
    cost = listing.cost;
    work.timeText = std::move(listing.timeText);
    if (!listing.listed) return work;
    subfolders = std::move(listing.subfolders);
    std::vector<std::string> offers;
    for (const std::string& sub : subfolders) {
        std::string entered = sub + '\\';
        if (!scanner_.excludedFolders().matches(entered.c_str()))
            offers.push_back(std::move(entered));
    }
    listAhead(offers);
    std::vector<std::string>& paths = listing.files;
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
    if (work.kind == FolderWork::Kind::Unchanged && listing.settled.size() == work.files.size())
        for (std::size_t i = 0; i < work.files.size(); ++i) {
            work.files[i].settled = listing.settled[i] != 0;
            work.files[i].space = listing.spaces[i];
        }
    return work;
}

void FolderWalker::listAhead(const std::vector<std::string>& folders) {
    {
        std::lock_guard<std::mutex> lock(listMutex_);
        // The walk enters the first of them next, then everything below it.
        for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
            offered_.push_front(*folder);
        // Beyond the bound, the folders the walk reaches last are left to it.
        while (!offered_.empty() &&
               offered_.size() + listings_.size() + inProgress_.size() > kListingsAhead)
            offered_.pop_back();
    }
    // One lister for each folder offered: the others sleep on.
    for (std::size_t i = 0; i < folders.size() && i < listers_.size(); ++i) toList_.notify_one();
}

void FolderWalker::list() {
    std::unique_lock<std::mutex> lock(listMutex_);
    for (;;) {
        toList_.wait(lock,
                     [this] { return listingStopped_ || (!offered_.empty() && roomToList()); });
        if (listingStopped_) return;
        listFirstOffered(lock);
    }
}

void FolderWalker::listFirstOffered(std::unique_lock<std::mutex>& lock) {
    const std::string folder = std::move(offered_.front());
    offered_.pop_front();
    inProgress_.insert(folder);
    // A listing in the making takes memory before its cost is known: it is
    // reckoned at the average so far meanwhile, so that listers of large
    // folders do not all list at once.
    const std::size_t expected =
        listingCount_ > 0 ? listedBytes_ / static_cast<std::size_t>(listingCount_) : 0;
    reserved_ += expected;
    lock.unlock();
    const auto started = std::chrono::steady_clock::now();
    Listing listing = makeListing(folder);
    const auto took = std::chrono::steady_clock::now() - started;
    lock.lock();
    reserved_ -= expected;
    listedBytes_ += listing.cost;
    listingTime_ += took;
    ++listingCount_;
    listings_[folder] = std::move(listing);
    inProgress_.erase(folder);
    listed_.notify_one();  // the walker is the only one that waits for it
}

void FolderWalker::addListerIfWaiting() {
    // Judged on the listings made since the previous judgement.
    const int count = listingCount_ - judgedCount_;
    // Listers held back by the budget are not slow: more would wait too.
    if (listers_.size() >= kMostListers || count < kListingsJudged || !roomToList()) return;
    const auto average = (listingTime_ - judgedTime_) / count;
    judgedCount_ = listingCount_;
    judgedTime_ = listingTime_;
    if (average < kSlowListing) return;
    (void)startThread(listers_, [this] { list(); });  // without it: go on with these
}

FolderWalker::Listing FolderWalker::takeListing(const std::string& folder) {
    std::unique_lock<std::mutex> lock(listMutex_);
    for (;;) {
        const auto found = listings_.find(folder);
        if (found != listings_.end()) {
            Listing listing = std::move(found->second);
            listings_.erase(found);
            return listing;
        }
        if (inProgress_.count(folder) == 0) break;
        addListerIfWaiting();
        // Rather than wait, the walk lists the next folder offered itself.
        if (!offered_.empty() && roomToList()) {
            listFirstOffered(lock);
            continue;
        }
        wakeScanner();  // the walk is about to wait: the scanner takes what is ready
        listed_.wait(lock);
    }
    // Not offered, or not yet taken up by a lister: listed here.
    const auto queued = std::find(offered_.begin(), offered_.end(), folder);
    if (queued != offered_.end()) {
        offered_.erase(queued);
        addListerIfWaiting();  // the listers are behind the walk
    }
    lock.unlock();
    wakeScanner();
    return makeListing(folder);
}

FolderWalker::Listing FolderWalker::makeListing(const std::string& folder) {
    // The folder is opened once for its listing, its time and its files'
    // status; one that cannot be opened is listed by its path, as the walk
    // without threads lists it, which fails the same way.
    Listing listing;
    platform::OpenFolder opened;
    const bool isOpen = opened.open(folder);
    listing.listed =
        isOpen ? scanner_.listFolder(opened, folder, listing.timeText, listing.subfolders,
                                     listing.files)
               : scanner_.listFolder(folder, listing.timeText, listing.subfolders, listing.files);
    listing.cost = bytesOf(folder, listing.subfolders, listing.files);
    bytesAhead_ += listing.cost;
    // The status of an unchanged folder's files is read here, relative to the
    // folder just listed: on a rescan most folders then need no reader at all.
    if (!isOpen || !listing.listed || listing.files.empty() ||
        scanner_.folderData().compareFolderTime(listing.timeText, folder) != 1)
        return listing;
    listing.settled.resize(listing.files.size());
    listing.spaces.resize(listing.files.size());
    std::int64_t modified = 0;
    for (std::size_t i = 0; i < listing.files.size(); ++i)
        listing.settled[i] =
            !opened.status(listing.files[i].substr(folder.size()), modified, listing.spaces[i]) ||
            modified <= lastScanTime_;
    return listing;
}

void FolderWalker::prepare(FolderWork& work, std::size_t from, std::size_t to) const {
    const bool isNew = work.kind == FolderWork::Kind::New;
    // The files are opened, and an unchanged folder's files' status read,
    // relative to the open folder; its files are its path and their names.
    platform::OpenFolder folder;
    const bool opened = folder.open(work.folder);  // once per run of files
    std::string name;
    for (std::size_t i = from; i < to; ++i) {
        FolderWork::File& file = work.files[i];
        std::int64_t modified = 0;
        if (file.settled) continue;
        name.assign(file.path, work.folder.size());
        if (!isNew &&
            (!opened || !folder.status(name, modified, file.space) || modified <= lastScanTime_))
            continue;
        // A long path is opened as it stands, as a scan without readers opens
        // it: a file the system cannot name by its path (beyond its length
        // limit) is not stored, since nothing else could open it either.
        char mask[256] = {};
        const bool read =
            opened && file.path.size() < kRelativeOpenLimit
                ? FileInfoProc::computeFingerprint(folder, name, file.mtime, mask, &file.space)
                : FileInfoProc::computeFingerprint(file.path.c_str(), file.mtime, mask,
                                                   &file.space);
        if (read)
            file.mask = mask;
        else
            file.space = platform::SpaceStatus{};  // the row, if any, keeps its old state
    }
}
