// SPDX-License-Identifier: MIT
// lanbrook-scan: one analysis run over every drive of the drive map in the
// foreground, then a summary of the statistics index.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>

#include "engine/AnalyseThreadProc.h"
#include "engine/ConfigInfo.h"
#include "engine/cli/CleanupCommand.h"
#include "engine/cli/ConsoleTarget.h"
#include "engine/cli/ScanSummary.h"
#include "engine/cli/SummaryJson.h"
#include "engine/cli/VerifyRun.h"
#include "storage/CDatabaseRecovery.h"
#include "storage/CFileInfoDB.h"
#include "util/FileUtility.h"
#include "util/platform/FileSystem.h"
#include "util/platform/Terminal.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitDatabase = 1;
constexpr int kExitWritesFailed = 3;
constexpr std::size_t kTopGroups = 10;
constexpr std::size_t kPathsPerGroup = 20;

const char* const kHelp =
    "Usage: lanbrook-scan [-q] [--verify] [--json] [--help]\n"
    "       lanbrook-scan [-q] [--json] --trash-copies [--keep RULES] (--dry-run | --yes)\n"
    "\n"
    "Scans every drive of the drive map into the file database, fingerprinting\n"
    "new and modified files, rebuilds the index of duplicate groups and prints a\n"
    "summary: files handled, groups, duplicate groups, total and duplicate bytes,\n"
    "and the ten groups whose extra copies waste the most bytes, with their files.\n"
    "Later runs are incremental: only new and modified files are read again.\n"
    "\n"
    "Options:\n"
    "  -q        print only the summary, not each folder as it is entered\n"
    "  --verify  after the run, check the content of every duplicate group, most\n"
    "            waste first: each file is read whole and hashed (XXH3-128), after\n"
    "            its two ends are compared with the others'; hashes are kept in the\n"
    "            database (table CONTENT_HASH), so a later --verify reads only new\n"
    "            and changed files. The summary adds the groups confirmed (every\n"
    "            file a copy), partly (some files copies), refuted (no two files\n"
    "            identical) and unknown (unreadable or changed files), and\n"
    "            \"Verified duplicate bytes\": the bytes the extra copies of every\n"
    "            class of identical files take, hard links (names of one file)\n"
    "            counted once. The top groups list their files by class. On a\n"
    "            terminal a progress line is shown on standard error.\n"
    "  --json    print the summary as one JSON object on standard output instead\n"
    "            of the text (and no folder lines): keys files_handled, files,\n"
    "            groups, duplicate_groups, total_bytes, duplicate_bytes, database,\n"
    "            top (the groups that waste most, with their files); with --verify\n"
    "            also verified_duplicate_bytes, groups_by_state (confirmed, partly,\n"
    "            refuted, unknown) and, per top group, state, verified_bytes,\n"
    "            classes (lists of indices into files) and each file's status,\n"
    "            class and link_set. Texts are UTF-8: in a path that is not, each\n"
    "            invalid byte is replaced by U+FFFD and the exact bytes are given\n"
    "            in hexadecimal under \"path_bytes\" beside \"path\".\n"
    "  --help    print this text\n"
    "\n"
    "Environment:\n"
    "  LANBROOK_DRIVES  the drives to scan: entries LETTER:=FOLDER separated by ';',\n"
    "                   each FOLDER absolute, e.g. \"C:=/home/ann;D:=/media/usb\".\n"
    "                   Unset: C:=/, the whole computer. System folders (/proc,\n"
    "                   /usr, /var, ...) and the data directory are never scanned.\n"
    "  USERPROFILE      the user's profile folder; the database is\n"
    "                   FileInfoData/FileInfo__.db in it. When unset, HOME is used.\n"
    "                   The folder must lie on a drive of LANBROOK_DRIVES.\n"
    "\n"
    "A database file that is damaged is renamed beside itself (FileInfo__.db.broken-\n"
    "and the time) and a new one is made; standard error says so.\n"
    "\n"
    "Exit status: 0 after a run; 1 when the data directory or the database cannot\n"
    "be made or opened; 2 for bad arguments or when no data directory can be\n"
    "formed; 3 after a run in which writes to the database failed (another program\n"
    "holding it locked, a full disk): the next run repeats them.\n";

void printUsageError(const char* argument) {
    std::fprintf(stderr, "lanbrook-scan: unknown argument '%s'\n", argument);
    std::fprintf(stderr,
                 "Usage: lanbrook-scan [-q] [--verify] [--json] [--help]; --help lists "
                 "the clean-up's options too\n");
}

const char* environmentText(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "(unset)";
}

std::string nativeText(const std::string& path) {
    const std::string native = platform::toNativePath(path);
    return native.empty() ? path : native;
}

// Makes sure the run has a database it can use, saying on standard error what
// stands in the way: a data directory that cannot be made, a damaged file
// (set aside, so the run goes on with a new one), a file that cannot be opened
// or read. False when the run cannot go on.
bool prepareDatabase(const ConfigInfo& config) {
    const std::string& directory = config.getDataDirectory();
    if (!platform::pathExists(directory) && FileUtility::makeDirectories(directory.c_str()) != 0) {
        std::fprintf(stderr, "lanbrook-scan: cannot create the data directory %s: %s\n",
                     nativeText(directory).c_str(), std::strerror(errno));
        return false;
    }
    const std::string path = config.getDatabasePath();
    CDatabaseRecovery recovery(path);
    const CDatabaseRecovery::State state = recovery.check();
    if (state == CDatabaseRecovery::State::SetAside) {
        std::fprintf(stderr,
                     "lanbrook-scan: the database %s is damaged (%s); it is kept as %s and a new "
                     "one is made\n",
                     nativeText(path).c_str(), recovery.reason().c_str(),
                     nativeText(recovery.keptAs()).c_str());
    } else if (state == CDatabaseRecovery::State::NotSetAside) {
        std::fprintf(stderr, "lanbrook-scan: the database %s is damaged: %s\n",
                     nativeText(path).c_str(), recovery.reason().c_str());
        return false;
    }
    CFileInfoDB database(path);
    // Opening alone proves little (SQLite opens lazily): the folder table
    // must be readable too.
    if (!database.open() || !database.query("SELECT ID FROM FILEINFO_DIF LIMIT 1")) {
        std::fprintf(stderr, "lanbrook-scan: cannot open the database %s: %s\n",
                     nativeText(path).c_str(), database.errorText().c_str());
        return false;
    }
    return true;  // the run opens connections of its own
}

// Says on standard error what the run could not do; the exit status.
int reportOutcome(const AnalysisOutcome& outcome) {
    if (outcome.failedWrites > 0) {
        std::fprintf(stderr,
                     "lanbrook-scan: %llu writes to the database failed (held locked by another "
                     "program, read-only, or a full disk); the next run repeats them\n",
                     static_cast<unsigned long long>(outcome.failedWrites));
    }
    if (!outcome.indexWritten)
        std::fprintf(stderr,
                     "lanbrook-scan: the index of duplicate groups could not be rewritten; the "
                     "summary shows the previous one\n");
    return outcome.failedWrites > 0 || !outcome.indexWritten ? kExitWritesFailed : 0;
}

struct Options {
    bool quiet = false;
    bool verify = false;
    bool json = false;
    CleanupCommand cleanup;
};

// Reads the arguments into `options`; -1 to go on, else the exit status.
int parseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            std::fputs(CleanupCommand::helpText(), stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "-q") == 0)
            options.quiet = true;
        else if (std::strcmp(argv[i], "--verify") == 0)
            options.verify = true;
        else if (std::strcmp(argv[i], "--json") == 0)
            options.json = true;
        else if (const int taken = options.cleanup.take(argc, argv, i); taken < 0)
            return kExitUsage;
        else if (taken == 0) {
            printUsageError(argv[i]);
            return kExitUsage;
        }
    }
    // The clean-up plans over the content check's classes.
    options.verify = options.verify || options.cleanup.active();
    return options.cleanup.check();
}

// Reads the index (and checks the groups' content, and cleans up), then
// prints the summary; false when the database cannot be read. `status` is
// the clean-up's exit status.
bool printSummary(Options& options, const std::string& databasePath, std::uint32_t filesHandled,
                  int& status) {
    ScanSummary summary;
    std::string error;
    // With --verify the files of the top groups come from the check's one
    // pass over the file table.
    if (!summary.load(databasePath, kTopGroups, error, !options.verify)) {
        std::fprintf(stderr, "lanbrook-scan: cannot read the index: %s\n", error.c_str());
        return false;
    }
    VerifyRun verified;
    if (options.verify) {
        std::unordered_set<std::string> keep;
        for (const ScanSummary::Group& group : summary.top) keep.insert(group.mask);
        if (options.cleanup.active())
            keep.insert(summary.duplicateMasks.begin(), summary.duplicateMasks.end());
        std::FILE* progress = platform::isTerminal(stderr) ? stderr : nullptr;
        if (!verified.run(databasePath, summary.duplicateMasks, keep, progress, error)) {
            std::fprintf(stderr, "lanbrook-scan: cannot check the groups' content: %s\n",
                         error.c_str());
            return false;
        }
    }
    if (options.cleanup.active())
        status = options.cleanup.run(databasePath, CleanupCommand::takeChecked(summary, verified),
                                     platform::isTerminal(stderr) ? stderr : nullptr);
    const VerifyRun* checked = options.verify ? &verified : nullptr;
    if (options.json) {
        std::string text = summaryJson(summary, filesHandled, databasePath, checked);
        if (options.cleanup.active()) text = options.cleanup.addToJson(text);
        std::fputs(text.c_str(), stdout);
        return true;
    }
    summary.print(stdout, filesHandled, kPathsPerGroup, checked);
    std::printf("Database:         %s\n", nativeText(databasePath).c_str());
    if (options.cleanup.active()) options.cleanup.print(stdout);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    const int parsed = parseArguments(argc, argv, options);
    if (parsed >= 0) return parsed;

    const ConfigInfo& config = ConfigInfo::global();
    if (!config.isValid()) {
        std::fprintf(stderr,
                     "lanbrook-scan: no data directory can be formed: neither USERPROFILE (%s) "
                     "nor HOME (%s) names a folder on a drive of LANBROOK_DRIVES (%s)\n",
                     environmentText("USERPROFILE"), environmentText("HOME"),
                     environmentText("LANBROOK_DRIVES"));
        return kExitUsage;
    }
    if (!prepareDatabase(config)) return kExitDatabase;

    // With --json standard output carries the JSON object alone.
    ConsoleTarget target(stdout, options.quiet || options.json);
    AnalysisOutcome outcome;
    (void)AnalyseThreadProc(&target, &outcome);
    const int status = reportOutcome(outcome);
    int cleaned = 0;
    if (!printSummary(options, config.getDatabasePath(), target.fileCount(), cleaned))
        return kExitDatabase;
    return status != 0 ? status : cleaned;
}
