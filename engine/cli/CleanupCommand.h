// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "engine/CleanupPlanner.h"
#include "engine/CleanupRun.h"
#include "engine/KeepRule.h"

class ScanSummary;
class VerifyRun;

// lanbrook-scan's clean-up: with --trash-copies, after the content check, a
// plan of which file of each class of identical files stays (files in
// protected folders first, then the --keep rules in their order) and which
// go to the trash. --dry-run prints the plan and moves nothing; --yes carries
// it out through the removal path and prints each file moved or refused
// (with the reason) and the bytes freed. Without either the command refuses
// before anything is scanned. Exit status 4 when a file of the plan was
// refused, by the plan or by the checks before its move.
class CleanupCommand {
public:
    static constexpr int kExitRefused = 4;

    bool active() const { return trashCopies_; }

    // Takes `argument` when it is one of the clean-up's flags (--trash-copies,
    // --dry-run, --yes); false when it is none.
    bool takeFlag(const char* argument);
    // Reads the value of --keep (rules are added to those given before).
    // False after a usage error was printed on standard error.
    [[nodiscard]] bool readKeepRules(const char* text);
    // After every argument: -1 when they go together, else the exit status
    // of a usage error (printed).
    int check() const;

    // The checked groups of every duplicate group of `summary`, most waste
    // first, taken out of `verified` (which must keep them all) except those
    // the summary still shows, which are copied.
    // With `copyAll` every group is copied (the sets printed later need them).
    static std::vector<GroupCheck> takeChecked(const ScanSummary& summary, VerifyRun& verified,
                                               bool copyAll);

    // Plans over `groups` (checked, in the order their sets are shown) in
    // the database file `databasePath`, then carries the plan out unless it
    // is a dry run, showing progress on `progress` (may be null) and
    // rebuilding the index once after anything moved. Returns the exit
    // status: 0, 4 when a file was refused, 1 when the database cannot be used.
    int run(const std::string& databasePath, std::vector<GroupCheck> groups, std::FILE* progress);

    // The plan, and what the run did, as text on `out`.
    void print(std::FILE* out) const;
    // `summaryText` (one JSON object) with "plan" and, after a run,
    // "cleanup" added.
    std::string addToJson(const std::string& summaryText) const;

    static const char* helpText();

private:
    std::vector<std::string> ruleSpellings() const;
    void printPlan(std::FILE* out) const;
    void printRun(std::FILE* out) const;
    std::string reasonOf(const CleanupRun::Item& item) const;

    bool trashCopies_ = false;
    bool dryRun_ = false;
    bool yes_ = false;
    bool keepGiven_ = false;
    std::vector<KeepRule> rules_;

    std::vector<GroupCheck> groups_;
    std::vector<CleanupStep> steps_;
    bool ran_ = false;
    CleanupRun::Summary summary_;
    double seconds_ = 0;
};
