// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "engine/GroupCheck.h"

class ContentChecker;

// Checks the content of a category's groups in the background: one thread
// with a ContentChecker (and so a database connection) of its own, going
// through the groups in the order given (the window gives them in group
// order, most waste first). A group asked for with prioritize() is checked
// next, before the rest.
//
// The listener's functions are called on the checking thread: onBegin when
// the check of a group begins (again, after giving way), onChecked once per
// group whose check ended (never for a group the stop interrupted),
// onFinished once when the thread ends, after the hashes found are written,
// with whether every group was done and, when the check could not run, why
// (within start(), with false, when no thread can be started).
// A window hands the results to its own thread from there. Each may be empty.
//
// stop() ends the thread promptly and joins it: the reading stops between
// two blocks, the status calls between two names, and the checker's database
// work (opening, pruning, loading the groups, waiting for a lock) is
// interrupted at once. The destructor does the same.
class ContentCheckQueue {
public:
    struct Listener {
        std::function<void(const std::string& mask)> onBegin;
        std::function<void(GroupCheck&&)> onChecked;
        // `failure` is "" when the check ran (to its end or to a stop).
        std::function<void(bool completed, const std::string& failure)> onFinished;
    };

    // `databasePath` in program form, as the file loader has it.
    explicit ContentCheckQueue(std::string databasePath);
    ~ContentCheckQueue();
    ContentCheckQueue(const ContentCheckQueue&) = delete;
    ContentCheckQueue& operator=(const ContentCheckQueue&) = delete;

    // Stops and joins a run still going, then starts checking the groups of
    // `masks` in that order.
    void start(std::vector<std::string> masks, Listener listener);
    // Puts the group of `mask` first among those not checked yet; nothing for
    // a mask that is not in the run or whose check has ended. A check of
    // another group in hand gives way (it is taken up again right after).
    // A mask given before start() is the first the next run checks.
    void prioritize(const std::string& mask);
    // Asks the thread to end and joins it; nothing when none runs.
    void stop();

    // True from start() until stop() has joined the thread (it may have
    // ended its work already).
    bool joinable() const { return worker_.joinable(); }
    // The masks given to the run in hand or the last one.
    std::size_t size() const { return masks_.size(); }
    // Checks that gave way to a selected group, since construction.
    std::size_t interruptions() const { return interruptions_.load(); }

private:
    void run();
    // The next group to check: a prioritised one not done yet, else the next
    // in order; -1 when every group is done.
    int takeNext(std::vector<bool>& done, std::size_t& cursor);
    // Fills index_; false when stopped first.
    bool makeIndex();
    // Checks the groups until all are done or the stop; true when all are.
    bool checkAll(ContentChecker& checker, std::vector<GroupCheck>& groups);

    const std::string databasePath_;
    std::vector<std::string> masks_;
    Listener listener_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> interrupt_{false};  // set by stop_ and by a selection
    std::mutex mutex_;
    std::deque<std::string> urgent_;     // guarded by mutex_
    std::string current_;                // the mask being checked; guarded by mutex_
    ContentChecker* checker_ = nullptr;  // the thread's, while it has one; guarded by mutex_
    std::atomic<std::size_t> interruptions_{0};
    // Mask (a view into masks_) -> position; the thread's own.
    std::unordered_map<std::string_view, int> index_;
    // The groups of the run in hand, or those a stopped run did not check:
    // freeing a million rows takes longer than stop() may, so they are freed
    // by the next run's thread (or the destructor).
    std::vector<GroupCheck> groups_;
    std::thread worker_;
};
