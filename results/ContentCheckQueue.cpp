// SPDX-License-Identifier: MIT
#include "results/ContentCheckQueue.h"

#include <unordered_map>
#include <utility>

#include "engine/AnalysisScope.h"
#include "engine/ContentChecker.h"
#include "engine/ThreadStart.h"

ContentCheckQueue::ContentCheckQueue(std::string databasePath)
    : databasePath_(std::move(databasePath)) {}

ContentCheckQueue::~ContentCheckQueue() {
    stop();
}

void ContentCheckQueue::start(std::vector<std::string> masks, Listener listener) {
    if (worker_.joinable()) stop();
    masks_ = std::move(masks);
    listener_ = std::move(listener);
    stop_ = false;
    interrupt_ = false;
    // Without a thread nothing is checked: the run ends at once, not completed.
    if (!startThread(worker_, [this] { run(); }) && listener_.onFinished)
        listener_.onFinished(false, "no thread can be started");
}

void ContentCheckQueue::prioritize(const std::string& mask) {
    std::lock_guard<std::mutex> lock(mutex_);
    urgent_.push_front(mask);
    // A long check of another group gives way; it is taken up again next.
    if (worker_.joinable() && current_ != mask) interrupt_ = true;
}

void ContentCheckQueue::stop() {
    stop_ = true;
    interrupt_ = true;
    {
        // The database work does not look at the flags between its steps.
        std::lock_guard<std::mutex> lock(mutex_);
        if (checker_ != nullptr) checker_->interrupt();
    }
    if (worker_.joinable()) worker_.join();
    std::lock_guard<std::mutex> lock(mutex_);
    urgent_.clear();
    current_.clear();
}

int ContentCheckQueue::takeNext(std::vector<bool>& done, std::size_t& cursor) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        while (!urgent_.empty()) {
            const std::string mask = std::move(urgent_.front());
            urgent_.pop_front();
            const auto found = index_.find(mask);
            if (found != index_.end() && !done[std::size_t(found->second)]) return found->second;
        }
    }
    while (cursor < done.size() && done[cursor]) ++cursor;
    return cursor < done.size() ? static_cast<int>(cursor) : -1;
}

void ContentCheckQueue::run() {
    // What the last run left is freed here, on this thread, not by the
    // stop() the window waits for.
    std::vector<GroupCheck>().swap(groups_);
    bool completed = false;
    std::string failure;
    {
        ContentChecker checker(databasePath_);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            checker_ = &checker;
            if (stop_) checker.interrupt();  // stopped before it was reachable
        }
        if (!makeIndex() || !checker.open() || !checker.loadGroups(masks_, groups_))
            failure = checker.errorText();
        else if (groups_.size() != masks_.size() || index_.size() != masks_.size())
            failure = "a group was given twice";
        else if (!AnalysisScope::keepAnalysedFiles(databasePath_, groups_))
            failure = "the analysed folders cannot be read";
        else
            completed = checkAll(checker, groups_);
        // The hashes found are written before the end is reported.
        (void)checker.flush();
        std::lock_guard<std::mutex> lock(mutex_);
        checker_ = nullptr;
    }
    // A run that ended by itself frees its (by now empty) groups at once.
    if (!stop_) std::vector<GroupCheck>().swap(groups_);
    if (stop_) failure.clear();  // a stop is no failure
    if (listener_.onFinished) listener_.onFinished(completed, failure);
}

bool ContentCheckQueue::makeIndex() {
    index_.clear();
    index_.reserve(masks_.size());
    for (std::size_t i = 0; i < masks_.size(); ++i) {
        // Many groups take a while; a stop does not wait for them.
        if (i % 4096 == 0 && stop_) return false;
        index_.emplace(masks_[i], int(i));
    }
    return true;
}

bool ContentCheckQueue::checkAll(ContentChecker& checker, std::vector<GroupCheck>& groups) {
    std::vector<bool> done(groups.size(), false);
    std::size_t cursor = 0;
    for (int next = takeNext(done, cursor); next >= 0 && !stop_; next = takeNext(done, cursor)) {
        GroupCheck& group = groups[static_cast<std::size_t>(next)];
        {
            std::lock_guard<std::mutex> lock(mutex_);
            current_ = group.mask;
            if (urgent_.empty()) interrupt_ = false;
        }
        if (listener_.onBegin) listener_.onBegin(group.mask);
        checker.check(group, interrupt_);
        if (stop_) break;  // the interrupted group stays unchecked and unreported
        if (group.state == GroupState::Unchecked) {
            // It gave way to a selected group: after that one, it comes next.
            ++interruptions_;
            std::lock_guard<std::mutex> lock(mutex_);
            const auto front = urgent_.empty() ? urgent_.end() : urgent_.begin() + 1;
            urgent_.insert(front, group.mask);
            interrupt_ = false;
            continue;
        }
        done[static_cast<std::size_t>(next)] = true;
        if (listener_.onChecked) listener_.onChecked(std::move(group));
        group = GroupCheck();  // its rows are no longer needed here
    }
    return !stop_ && cursor >= done.size();
}
