// SPDX-License-Identifier: MIT
// lanbrook-scan: one analysis run over every drive of the drive map in the
// foreground, then a summary of the statistics index.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/AnalyseThreadProc.h"
#include "engine/ConfigInfo.h"
#include "engine/cli/ConsoleTarget.h"
#include "engine/cli/ScanSummary.h"
#include "storage/CDatabaseRecovery.h"
#include "storage/CFileInfoDB.h"
#include "util/FileUtility.h"
#include "util/platform/FileSystem.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitDatabase = 1;
constexpr int kExitWritesFailed = 3;
constexpr std::size_t kTopGroups = 10;
constexpr std::size_t kPathsPerGroup = 20;

const char* const kHelp =
    "Usage: lanbrook-scan [-q] [--help]\n"
    "\n"
    "Scans every drive of the drive map into the file database, fingerprinting\n"
    "new and modified files, rebuilds the index of duplicate groups and prints a\n"
    "summary: files handled, groups, duplicate groups, total and duplicate bytes,\n"
    "and the ten groups whose extra copies waste the most bytes, with their files.\n"
    "Later runs are incremental: only new and modified files are read again.\n"
    "\n"
    "Options:\n"
    "  -q       print only the summary, not each folder as it is entered\n"
    "  --help   print this text\n"
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
    std::fprintf(stderr, "Usage: lanbrook-scan [-q] [--help]\n");
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

}  // namespace

int main(int argc, char** argv) {
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "-q") == 0) {
            quiet = true;
            continue;
        }
        printUsageError(argv[i]);
        return kExitUsage;
    }

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

    ConsoleTarget target(stdout, quiet);
    AnalysisOutcome outcome;
    (void)AnalyseThreadProc(&target, &outcome);
    const int status = reportOutcome(outcome);

    ScanSummary summary;
    std::string error;
    if (!summary.load(config.getDatabasePath(), kTopGroups, error)) {
        std::fprintf(stderr, "lanbrook-scan: cannot read the index: %s\n", error.c_str());
        return kExitDatabase;
    }
    summary.print(stdout, target.fileCount(), kPathsPerGroup);
    std::printf("Database:         %s\n", nativeText(config.getDatabasePath()).c_str());
    return status;
}
