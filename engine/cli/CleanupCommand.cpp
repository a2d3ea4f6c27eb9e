// SPDX-License-Identifier: MIT
#include "engine/cli/CleanupCommand.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <unordered_set>

#include "engine/CleanupJournal.h"
#include "engine/CleanupProtection.h"
#include "engine/ContentChecker.h"
#include "engine/FileInfoAnalyse.h"
#include "engine/cli/JsonText.h"
#include "engine/cli/ProgressLine.h"
#include "engine/cli/ScanSummary.h"
#include "engine/cli/VerifyRun.h"
#include "storage/CFileInfoDB.h"
#include "util/FileUtility.h"
#include "util/platform/FileSystem.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitDatabase = 1;

const char* const kHelp =
    "\n"
    "Moving copies to the trash:\n"
    "  --trash-copies  after the content check (it implies --verify), plan for\n"
    "            each class of two or more identical files the one that stays and\n"
    "            the copies that go to the desktop's trash. Files in protected\n"
    "            folders always stay; other names (hard links) of a file that\n"
    "            stays never go; a file one group keeps is never moved by another.\n"
    "            Right before each move both files are checked again and compared\n"
    "            byte for byte; a file that changed is refused and stays. Each\n"
    "            move is recorded, so the window's 撤销上次清理 can put the files\n"
    "            back. Needs --dry-run or --yes.\n"
    "  --keep RULE[,RULE...]\n"
    "            which file stays, each rule breaking the ties the one before\n"
    "            leaves (the first file listed wins a full tie): path:FOLDER (in\n"
    "            that folder, native or C:\\... form), oldest, newest (modification\n"
    "            time), shortest-path, longest-path, shallowest, deepest (fewest or\n"
    "            most folders above it), plain-name (a name without the marks\n"
    "            copies get: \" (1)\", \"副本\", \" - Copy\", \"copy of\"). Protected\n"
    "            folders always come first. Default: plain-name,oldest.\n"
    "  --dry-run print the plan (with --json under \"plan\": keep_rules, files,\n"
    "            bytes, refused_files and steps, each with mask, keep, trash, bytes\n"
    "            and refused when the plan refuses it) and move nothing\n"
    "  --yes     carry the plan out: print each file moved or refused with the\n"
    "            reason, and the bytes freed (with --json under \"cleanup\")\n"
    "Exit status 4: some file of the plan was refused (it stays where it is).\n";

std::string nativeText(const std::string& path) {
    const std::string native = platform::toNativePath(path);
    return native.empty() ? path : native;
}

// A folder of a path: rule in program form, ending in a backslash: a native
// absolute path through the drive map, or a path in program form as it is.
bool programFolder(std::string& folder) {
    std::string path;
    const bool programForm = folder.size() >= 3 && folder[1] == ':' && folder[2] == '\\';
    if (programForm)
        path = folder;
    else if (!platform::fromNativePath(folder, path))
        return false;
    if (path.empty() || path.back() != '\\') path += '\\';
    folder = path;
    return true;
}

// {"path": the native path} (and "path_bytes" when it is not UTF-8).
nlohmann::json pathJson(const std::string& path) {
    nlohmann::json entry;
    putText(entry, "path", nativeText(path));
    return entry;
}

std::string sizeText(std::uint64_t bytes) {
    char text[32];
    return FileUtility::formatSize(text, bytes);
}

}  // namespace

const char* CleanupCommand::helpText() {
    return kHelp;
}

bool CleanupCommand::readKeepRules(const char* text) {
    std::vector<KeepRule> rules;
    std::string error;
    if (!KeepRule::parseList(text, rules, error)) {
        std::fprintf(stderr, "lanbrook-scan: --keep: %s\n", error.c_str());
        return false;
    }
    for (KeepRule& rule : rules) {
        if (rule.kind == KeepRule::Kind::InFolder && !programFolder(rule.folder)) {
            std::fprintf(stderr,
                         "lanbrook-scan: --keep: '%s' is no absolute folder on a drive of "
                         "LANBROOK_DRIVES\n",
                         rule.folder.c_str());
            return false;
        }
        rules_.push_back(std::move(rule));
    }
    keepGiven_ = true;
    return true;
}

bool CleanupCommand::takeFlag(const char* argument) {
    if (std::strcmp(argument, "--trash-copies") == 0)
        trashCopies_ = true;
    else if (std::strcmp(argument, "--dry-run") == 0)
        dryRun_ = true;
    else if (std::strcmp(argument, "--yes") == 0)
        yes_ = true;
    else
        return false;
    return true;
}

int CleanupCommand::check() const {
    if (!trashCopies_ && (dryRun_ || yes_ || keepGiven_)) {
        std::fprintf(stderr, "lanbrook-scan: --keep, --dry-run and --yes go with --trash-copies\n");
        return kExitUsage;
    }
    if (trashCopies_ && dryRun_ == yes_) {
        std::fprintf(stderr, dryRun_ ? "lanbrook-scan: --dry-run and --yes exclude each other\n"
                                     : "lanbrook-scan: --trash-copies moves files only with --yes; "
                                       "nothing was scanned or moved (--dry-run shows the plan)\n");
        return kExitUsage;
    }
    return -1;
}

std::vector<std::string> CleanupCommand::ruleSpellings() const {
    std::vector<std::string> spellings = {"protected"};
    for (const KeepRule& rule : keepGiven_ ? rules_ : KeepRule::defaults())
        spellings.push_back(rule.kind == KeepRule::Kind::InFolder
                                ? "path:" + nativeText(rule.folder)
                                : rule.spelling());
    return spellings;
}

std::vector<GroupCheck> CleanupCommand::takeChecked(const ScanSummary& summary, VerifyRun& verified,
                                                    bool copyAll) {
    std::unordered_set<std::string> shown;
    for (const ScanSummary::Group& group : summary.top) shown.insert(group.mask);
    std::vector<GroupCheck> groups;
    for (const std::string& mask : summary.duplicateMasks) {
        const auto found = verified.kept.find(mask);
        if (found == verified.kept.end()) continue;
        groups.push_back(copyAll || shown.count(mask) > 0 ? found->second
                                                          : std::move(found->second));
    }
    return groups;
}

int CleanupCommand::run(const std::string& databasePath, std::vector<GroupCheck> groups,
                        std::FILE* progressOut) {
    groups_ = std::move(groups);
    const std::vector<GroupCheck>& planned = groups_;
    CFileInfoDB database(databasePath);
    CleanupPlanner::ProtectedTest isProtected;
    std::string error;
    if (!database.open() || !database.execute("PRAGMA busy_timeout = 5000") ||
        !loadCleanupProtection(database, isProtected, error)) {
        std::fprintf(stderr, "lanbrook-scan: cannot plan the clean-up: %s\n",
                     error.empty() ? database.errorText().c_str() : error.c_str());
        return kExitDatabase;
    }
    steps_ = CleanupPlanner(keepGiven_ ? rules_ : KeepRule::defaults(), isProtected).plan(planned);
    const bool planRefused = std::any_of(steps_.begin(), steps_.end(),
                                         [](const CleanupStep& s) { return !s.refusal.empty(); });
    if (dryRun_) return planRefused ? kExitRefused : 0;

    ContentChecker cache(databasePath);
    CleanupJournal journal(database);
    if (!cache.open() || !journal.begin()) {
        std::fprintf(
            stderr, "lanbrook-scan: cannot start the clean-up: %s\n",
            cache.errorText().empty() ? journal.errorText().c_str() : cache.errorText().c_str());
        return kExitDatabase;
    }
    const CleanupRun::Totals totals = CleanupRun::totals(planned, steps_);
    ProgressLine line(progressOut, "Moving copies to the trash", totals.files, totals.bytes);
    CleanupRun::Progress progress;
    progress.onChange = [&line](std::uint64_t files, std::uint64_t bytes) {
        line.show(files, bytes);
    };
    const std::atomic<bool> never{false};  // the console run is ended by its signal alone
    const auto start = std::chrono::steady_clock::now();
    line.show(0, 0, true);
    summary_ = CleanupRun(database, cache).run(planned, steps_, never, &progress, &journal);
    seconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    line.clear();
    ran_ = true;
    if (!summary_.journalError.empty())
        std::fprintf(stderr, "lanbrook-scan: some moves could not be recorded to be undone: %s\n",
                     summary_.journalError.c_str());
    FileInfoAnalyse index;
    if (!summary_.moved.empty() && (!index.buildIndex() || !index.indexWritten()))
        std::fprintf(stderr, "lanbrook-scan: the index could not be rebuilt after the moves\n");
    return summary_.refused.empty() ? 0 : kExitRefused;
}

std::string CleanupCommand::reasonOf(const CleanupRun::Item& item) const {
    switch (item.held) {
        case CleanupRun::Held::ByPlan:
            return item.planReason;
        case CleanupRun::Held::KeptEarlier:
            return "an earlier step keeps this file";
        case CleanupRun::Held::KeepMovedEarlier:
            return "the file that stays in its group was moved by an earlier step";
        case CleanupRun::Held::No:
            break;
    }
    return item.outcome.reason;
}

void CleanupCommand::print(std::FILE* out) const {
    if (ran_)
        printRun(out);
    else
        printPlan(out);
}

void CleanupCommand::printPlan(std::FILE* out) const {
    std::string rules;
    for (const std::string& spelling : ruleSpellings())
        rules += (rules.empty() ? "" : ", ") + spelling;
    std::fprintf(out, "\nClean-up plan (keep rules: %s):\n", rules.c_str());
    std::size_t refused = 0;
    for (const CleanupStep& step : steps_) {
        const GroupCheck& group = groups_[step.group];
        std::fprintf(out, "\nkeep    %s\n",
                     nativeText(group.files[std::size_t(step.keep)].path()).c_str());
        for (const int file : step.moving) {
            const std::string path = nativeText(group.files[std::size_t(file)].path());
            if (step.refusal.empty())
                std::fprintf(out, "trash   %s\n", path.c_str());
            else
                std::fprintf(out, "refused %s: %s\n", path.c_str(), step.refusal.c_str());
        }
        if (!step.refusal.empty()) refused += step.moving.size();
    }
    const std::uint64_t bytes = CleanupPlanner::totalBytes(steps_);
    std::fprintf(out, "\nPlan: %zu files to move to the trash, %llu bytes (%s) to free",
                 CleanupPlanner::totalFiles(steps_), static_cast<unsigned long long>(bytes),
                 sizeText(bytes).c_str());
    std::fprintf(out, refused > 0 ? "; %zu files refused\n" : "\n", refused);
    std::fprintf(out, "Nothing was moved (--dry-run).\n");
}

void CleanupCommand::printRun(std::FILE* out) const {
    std::fputc('\n', out);
    for (const CleanupRun::Item& item : summary_.moved)
        std::fprintf(out, "moved   %s\n", nativeText(item.path).c_str());
    for (const CleanupRun::Item& item : summary_.refused)
        std::fprintf(out, "refused %s: %s\n", nativeText(item.path).c_str(),
                     reasonOf(item).c_str());
    std::fprintf(out, "\nMoved to the trash: %zu files, %llu bytes (%s) freed, in %.2f s\n",
                 summary_.moved.size(), static_cast<unsigned long long>(summary_.bytesFreed),
                 sizeText(summary_.bytesFreed).c_str(), seconds_);
    if (!summary_.refused.empty())
        std::fprintf(out, "Refused: %zu files (they stay where they are)\n",
                     summary_.refused.size());
}

std::string CleanupCommand::addToJson(const std::string& summaryText) const {
    using nlohmann::json;
    json out = json::parse(summaryText);
    json plan;
    plan["keep_rules"] = ruleSpellings();
    plan["files"] = CleanupPlanner::totalFiles(steps_);
    plan["bytes"] = CleanupPlanner::totalBytes(steps_);
    std::size_t refused = 0;
    json steps = json::array();
    for (const CleanupStep& step : steps_) {
        const GroupCheck& group = groups_[step.group];
        json entry;
        entry["mask"] = group.mask;
        entry["keep"] = pathJson(group.files[std::size_t(step.keep)].path());
        entry["trash"] = json::array();
        for (const int file : step.moving)
            entry["trash"].push_back(pathJson(group.files[std::size_t(file)].path()));
        entry["bytes"] = step.bytes;
        if (!step.refusal.empty()) {
            entry["refused"] = step.refusal;
            refused += step.moving.size();
        }
        steps.push_back(std::move(entry));
    }
    plan["refused_files"] = refused;
    plan["steps"] = std::move(steps);
    out["plan"] = std::move(plan);
    if (ran_) {
        json cleanup;
        cleanup["moved"] = json::array();
        for (const CleanupRun::Item& item : summary_.moved)
            cleanup["moved"].push_back(pathJson(item.path));
        cleanup["refused"] = json::array();
        for (const CleanupRun::Item& item : summary_.refused) {
            json entry = pathJson(item.path);
            putText(entry, "reason", reasonOf(item));
            cleanup["refused"].push_back(std::move(entry));
        }
        cleanup["bytes_freed"] = summary_.bytesFreed;
        cleanup["seconds"] = seconds_;
        out["cleanup"] = std::move(cleanup);
    }
    return out.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}
