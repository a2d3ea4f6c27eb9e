// SPDX-License-Identifier: MIT
// lanbrook-scan: one analysis run in the foreground, over the folders named
// on the command line (or those chosen in the window, or every drive of the
// drive map), then a summary of the statistics index or every duplicate set.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>

#include "engine/AnalyseThreadProc.h"
#include "engine/AnalysisScope.h"
#include "engine/ConfigInfo.h"
#include "engine/cli/ConsoleTarget.h"
#include "engine/cli/DuplicateSets.h"
#include "engine/cli/FolderSets.h"
#include "engine/cli/LargestFolders.h"
#include "engine/cli/ScanOptions.h"
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

void printSetAsText(const DuplicateSets::Set& set) {
    std::printf("%llu bytes each, %zu files:\n", static_cast<unsigned long long>(set.size),
                set.files.size());
    for (const DuplicateSets::File& file : set.files)
        std::printf("%s\n", nativeText(file.path).c_str());
    std::printf("\n");
}

// Hands every duplicate set to `sink`: the verified classes after --verify,
// else the index's groups. False when the files cannot be read.
bool forEachSet(const ScanOptions& options, const std::string& databasePath,
                const VerifyRun& verified, const DuplicateSets::Sink& sink) {
    DuplicateSets sets(options.minSize);
    std::string error;
    bool read = sets.load(databasePath, error);
    if (read && options.verify)
        sets.forEachClass(verified, sink);
    else if (read)
        read = sets.forEachGroup(databasePath, sink, error);
    if (!read)
        std::fprintf(stderr, "lanbrook-scan: cannot read the duplicate sets: %s\n", error.c_str());
    return read;
}

// Reads the index (and checks the groups' content), then prints the
// summary, the sets, or both as JSON; false when the database cannot be read.
bool printResult(const ScanOptions& options, const std::string& databasePath,
                 std::uint32_t filesHandled) {
    ScanSummary summary;
    std::string error;
    // With --verify the files of the top groups come from the check's one
    // pass over the file table.
    if (!summary.load(databasePath, kTopGroups, error, !options.verify, options.minSize)) {
        std::fprintf(stderr, "lanbrook-scan: cannot read the index: %s\n", error.c_str());
        return false;
    }
    const bool allSets = options.list || options.json || options.listFolders || options.du;
    VerifyRun verified;
    if (options.verify) {
        std::unordered_set<std::string> keep;
        if (allSets)
            keep.insert(summary.duplicateMasks.begin(), summary.duplicateMasks.end());
        else
            for (const ScanSummary::Group& group : summary.top) keep.insert(group.mask);
        std::FILE* progress = platform::isTerminal(stderr) ? stderr : nullptr;
        if (!verified.run(databasePath, summary.duplicateMasks, keep, progress, error)) {
            std::fprintf(stderr, "lanbrook-scan: cannot check the groups' content: %s\n",
                         error.c_str());
            return false;
        }
    }
    const VerifyRun* checked = options.verify ? &verified : nullptr;
    FolderSets folders;
    if ((options.listFolders || options.json) && options.verify &&
        !folders.find(databasePath, verified, error)) {
        std::fprintf(stderr, "lanbrook-scan: cannot find the identical folders: %s\n",
                     error.c_str());
        return false;
    }
    LargestFolders largest;
    if ((options.du || options.json) &&
        !largest.find(databasePath, options.duCount, checked, error)) {
        std::fprintf(stderr, "lanbrook-scan: cannot read the folders' sizes: %s\n", error.c_str());
        return false;
    }
    if (options.json) {
        beginJsonSets(stdout, summaryJson(summary, filesHandled, databasePath, checked));
        bool first = true;
        const bool read =
            forEachSet(options, databasePath, verified, [&](const DuplicateSets::Set& set) {
                writeJsonSet(stdout, set, first);
                first = false;
            });
        endJsonSets(stdout, !first, options.verify ? &folders : nullptr, &largest);
        return read;
    }
    if (options.list || options.listFolders || options.du) {
        const bool read =
            !options.list || forEachSet(options, databasePath, verified, printSetAsText);
        if (options.listFolders) folders.printText(stdout);
        if (options.du) largest.printText(stdout);
        return read;
    }
    summary.print(stdout, filesHandled, kPathsPerGroup, checked);
    std::printf("Database:         %s\n", nativeText(databasePath).c_str());
    return true;
}

// The scope of a run that names no folder: the one chosen in the window
// (every drive when none is), with --across added.
bool storedScope(const ScanOptions& options, const ConfigInfo& config, AnalysisScope& scope) {
    CFileInfoDB database(config.getDatabasePath());
    if (!database.open() || !scope.load(database, AnalysisScope::Stored::Chosen)) {
        std::fprintf(stderr, "lanbrook-scan: cannot read the chosen folders: %s\n",
                     database.errorText().c_str());
        return false;
    }
    if (options.across) scope.setAcross(true);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    ScanOptions options;
    const int parsed = options.parse(argc, argv);
    if (parsed >= 0) return parsed;
    // Folders named on the command line are checked before anything is written.
    AnalysisScope scope;
    if (options.namesFolders() && !options.resolveScope(scope, stderr)) return kExitUsage;

    const ConfigInfo& config = ConfigInfo::global();
    if (!config.isValid()) {
        std::fprintf(stderr,
                     "lanbrook-scan: no data directory can be formed: neither USERPROFILE nor "
                     "HOME is set\n");
        return kExitUsage;
    }
    if (!prepareDatabase(config)) return kExitDatabase;
    if (!options.namesFolders() && !storedScope(options, config, scope)) return kExitDatabase;

    // With --json or --list standard output carries the result alone.
    ConsoleTarget target(
        stdout, options.quiet || options.json || options.list || options.listFolders || options.du);
    AnalysisOutcome outcome;
    (void)AnalyseThreadProc(&target, &outcome, &scope);
    const int status = reportOutcome(outcome);
    if (!printResult(options, config.getDatabasePath(), target.fileCount())) return kExitDatabase;
    return status;
}
