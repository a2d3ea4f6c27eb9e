// SPDX-License-Identifier: MIT
// lanbrook-scan: one analysis run over every drive of the drive map in the
// foreground, then a summary of the statistics index.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/AnalyseThreadProc.h"
#include "engine/ConfigInfo.h"
#include "engine/cli/ConsoleTarget.h"
#include "engine/cli/ScanSummary.h"
#include "storage/CFileInfoDB.h"
#include "util/platform/FileSystem.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitDatabase = 1;
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
    "Exit status: 0 after a run; 1 when the database cannot be opened; 2 for bad\n"
    "arguments or when no data directory can be formed.\n";

void printUsageError(const char* argument) {
    std::fprintf(stderr, "lanbrook-scan: unknown argument '%s'\n", argument);
    std::fprintf(stderr, "Usage: lanbrook-scan [-q] [--help]\n");
}

const char* environmentText(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "(unset)";
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
    CFileInfoDB database(config.getDatabasePath());
    if (!database.open()) {
        std::fprintf(stderr, "lanbrook-scan: cannot open the database %s: %s\n",
                     platform::toNativePath(config.getDatabasePath()).c_str(),
                     database.errorText().c_str());
        return kExitDatabase;
    }
    database.close();  // the run opens connections of its own

    ConsoleTarget target(stdout, quiet);
    (void)AnalyseThreadProc(&target);

    ScanSummary summary;
    std::string error;
    if (!summary.load(config.getDatabasePath(), kTopGroups, error)) {
        std::fprintf(stderr, "lanbrook-scan: cannot read the index: %s\n", error.c_str());
        return kExitDatabase;
    }
    summary.print(stdout, target.fileCount(), kPathsPerGroup);
    std::printf("Database:         %s\n", platform::toNativePath(config.getDatabasePath()).c_str());
    return 0;
}
