// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/ProcessorRoom.h"
#include "util/platform/SpaceStatus.h"

class FileInfoProc;

// What the walk found in one folder, in the form the scanner writes it.
struct FolderWork {
    enum class Kind {
        Skipped,    // excluded, or it cannot be listed: reported, nothing written
        New,        // not in the folder table: every file fingerprinted
        Unchanged,  // same time: files modified after lastScanTime fingerprinted
        Changed,    // another time: the scanner diffs it against the database itself
        End,        // the walk is over
    };
    struct File {
        std::string path;
        std::string mask;  // empty when not fingerprinted (not needed, or it failed)
        std::int64_t mtime = 0;
        bool settled = false;  // Unchanged: not modified since lastScanTime, nothing to read
        // What it takes on its disk, from the status read for its time or
        // its fingerprint; incomplete when neither was read or the read failed.
        platform::SpaceStatus space;
    };

    Kind kind = Kind::End;
    std::string folder;
    std::string timeText;
    std::vector<std::string> subfolders;  // Changed: as listed, for the diff
    std::vector<std::string> listed;      // Changed: the files as listed
    std::vector<File> files;              // New and Unchanged
};

// Walks a tree for the scanner ahead of it, on threads of its own: one lists
// each folder and compares its time with the folder table, a pool of readers
// reads the files that will be written (fingerprints, or the status relative
// to the open folder and, when modified since lastScanTime, the fingerprint),
// a run of files at a time, so that many reads are in flight at once and a
// disk that serves many requests together stays busy. The scanner takes the
// folders in the walk's order, depth first in pre-order and in listing order,
// and does every database write and every progress report itself, so both
// come in the same order as in a walk without these threads; only the
// reading overlaps the writing.
//
// Listers list the folders the walk will enter next ahead of it (at most a
// few hundred), so that with a cold cache many listings are in flight too;
// the walk takes each listing as it would have made it itself.
//
// Memory: every listing held ahead of the scanner (made by a lister, taken
// by the walk, queued for the scanner, a changed folder's as much as a new
// one's) is counted against one budget in bytes, estimated from its paths
// (8 MiB; LANBROOK_LOOKAHEAD_KIB in the environment sets another, for
// measuring). Listers make no listing while half of it is taken (a listing
// in the making counts as large as the average one so far); the walk queues
// no folder beyond it while the scanner has one to take. A folder larger than
// the whole budget is still listed and scanned, alone.
//
// The readers grow in number while the scanner waits for them and the
// processors have room (a cold cache), up to a few dozen; LANBROOK_READERS (1 to 256) in the
// environment fixes their number instead, for measuring.
//
// Threads that cannot be started are done without: with no lister the walk
// lists every folder itself, with no reader the scanner reads the files in
// next(), and with no thread for the walk next() walks one folder at a time
// on the scanner's thread. The results and their order stay the same.
// Destroying the walker part way stops the walk and joins every thread.
//
// The walker reads the scanner's excluded folders and folder table, and lists
// through it; the folder table is guarded by FileInfoData.
class FolderWalker {
public:
    FolderWalker(const FileInfoProc& scanner, std::string start, std::int64_t lastScanTime);
    // Stops the walk and waits for the threads.
    ~FolderWalker();
    FolderWalker(const FolderWalker&) = delete;
    FolderWalker& operator=(const FolderWalker&) = delete;

    // The next folder of the walk, once its files are read; Kind::End after the last.
    FolderWork next();

private:
    // How busy the processors may be for one more reader: one that reads a
    // cold file still spends half its time on the processor on a fast disk,
    // so readers are added up to nearly full use.
    static constexpr int kReadersBusyPercent = 90;

    struct Slot {
        FolderWork work;
        std::size_t cost = 0;     // bytes of its listing counted ahead
        std::size_t claimed = 0;  // files handed to readers
        std::size_t done = 0;     // files read
        bool prepared = false;
    };

    struct Listing {
        std::size_t cost = 0;  // counted in bytesAhead_ from when it is made
        bool listed = false;
        std::string timeText;
        std::vector<std::string> subfolders;
        std::vector<std::string> files;
        // For a folder unchanged when listed, one flag per file: its status
        // says it was not modified since lastScanTime (or it has none). Empty
        // otherwise.
        std::vector<char> settled;
        std::vector<platform::SpaceStatus> spaces;  // beside `settled`: each file's status
    };

    // Lists `folder` and, when it is unchanged, reads its files' status; its
    // cost is added to the bytes ahead.
    Listing makeListing(const std::string& folder);

    void walk();
    // Enters the next folder of the walk and queues it; false when the walk
    // is over or is to stop.
    bool walkOne();
    // Queues the end of the walk.
    void endWalk();
    // On the scanner's thread, without a thread for the walk: walks the next
    // folder when none is queued.
    void walkHere();
    void read();
    // Under mutex_ (released meanwhile): reads the next run of unread files.
    // True when that made the scanner's next folder ready.
    bool readRun(std::unique_lock<std::mutex>& lock);
    void list();
    // Under listMutex_: whether listings may be made ahead of the walk, that
    // is, less than half the budget is taken (or reserved for listings in
    // the making).
    bool roomToList() const;
    // Wakes the listers when taking a folder whose listing cost `released`
    // from `before` bytes ahead made room for them to list again.
    void wakeListers(std::size_t before, std::size_t released);
    // Offers `folders` (full paths ending in a backslash, in the order the
    // walk enters them) to the listers, ahead of those offered before.
    void listAhead(const std::vector<std::string>& folders);
    // Under listMutex_ (released meanwhile): lists the first folder offered.
    void listFirstOffered(std::unique_lock<std::mutex>& lock);
    // Wakes the scanner when a folder is ready for it.
    void wakeScanner();
    // The listing of `folder`: taken from a lister, or made here; while a
    // lister makes it, the walk lists the folders offered next itself.
    Listing takeListing(const std::string& folder);
    // The folder's work and subfolders to enter; `cost` the bytes its listing counts.
    FolderWork examine(const std::string& folder, std::vector<std::string>& subfolders,
                       std::size_t& cost);
    // Reads the files [from, to) of a New or Unchanged folder.
    void prepare(FolderWork& work, std::size_t from, std::size_t to) const;
    // Queues a folder for the scanner (and its files for a reader); false
    // when the walk is to stop.
    bool push(FolderWork work, bool needsReading, std::size_t cost);
    // Under listMutex_, on the walk's thread: one more lister when the walk
    // waits for a listing and listings are slow (they wait on the disk).
    void addListerIfWaiting();

    const FileInfoProc& scanner_;
    const std::int64_t lastScanTime_;
    const std::size_t budget_;                // bytes of listings ahead
    std::atomic<std::size_t> bytesAhead_{0};  // of listings made and not yet taken by the scanner
    std::vector<std::string> pending_;        // the walk's folders still to enter, the next last
    std::mutex mutex_;
    std::condition_variable readable_;         // readers: files to claim, or the end
    std::condition_variable prepared_;         // the scanner: the first folder is read
    std::condition_variable space_;            // the walker: room ahead, or the end
    std::deque<std::unique_ptr<Slot>> ready_;  // in walk order
    std::deque<Slot*> unread_;                 // of ready_, with files not yet claimed
    bool walked_ = false;
    bool stopping_ = false;
    std::thread walker_;                // not running when it could not be started
    std::vector<std::thread> readers_;  // changed by the scanner's thread only
    std::size_t mostReaders_ = 0;
    bool readHere_ = false;                        // no reader could be started: the scanner reads
    ProcessorRoom readRoom_{kReadersBusyPercent};  // asked by the scanner's thread

    // Listing ahead, guarded by its own lock.
    std::mutex listMutex_;
    std::condition_variable toList_;           // listers: a folder offered, or the end
    std::condition_variable listed_;           // the walker: a listing it waits for is done
    std::deque<std::string> offered_;          // the next to enter first
    std::map<std::string, Listing> listings_;  // made, not yet taken
    std::set<std::string> inProgress_;         // being made
    bool listingStopped_ = false;
    // The listers' time on their listings, and both as last judged.
    std::chrono::steady_clock::duration listingTime_{};
    int listingCount_ = 0;
    std::size_t listedBytes_ = 0;  // the cost of those listings
    std::size_t reserved_ = 0;     // the listings in the making, reckoned at their average
    std::chrono::steady_clock::duration judgedTime_{};
    int judgedCount_ = 0;
    std::vector<std::thread> listers_;  // changed by the walk's thread only
};
