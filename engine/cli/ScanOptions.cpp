// SPDX-License-Identifier: MIT
#include "engine/cli/ScanOptions.h"

#include <cstring>

#include "engine/AnalysisScope.h"
#include "util/platform/FolderArgument.h"

namespace {

constexpr int kExitUsage = 2;

const char* const kHelp =
    "Usage: lanbrook-scan [options] [FOLDER...]\n"
    "\n"
    "Scans the given folders (without any: the folders chosen in the window's\n"
    "扫描范围, or every drive of the drive map when none are chosen) into the\n"
    "file database, fingerprinting new and modified files, rebuilds the index of\n"
    "duplicate groups and prints a summary: files handled, groups, duplicate\n"
    "groups, total and duplicate bytes, and the ten groups whose extra copies\n"
    "waste the most bytes, with their files. Later runs are incremental: only new\n"
    "and modified files are read again, also when the folders change (files an\n"
    "earlier run covered are not read again while they are unchanged).\n"
    "\n"
    "FOLDER is a native path, absolute or relative; links, '.' and '..' are\n"
    "resolved, and a folder inside another is scanned once. The summary and the\n"
    "sets then describe the files under those folders only; rows of files\n"
    "outside them stay in the database for later runs. A folder that does not\n"
    "exist or cannot be read ends the run with exit status 2 before anything is\n"
    "written. Ignored folders, system folders and the data directory below a\n"
    "FOLDER are left out as in a scan of a drive; a FOLDER named inside a\n"
    "system folder (/usr/share/doc) is scanned.\n"
    "\n"
    "Options:\n"
    "  -q        print only the summary, not each folder as it is entered\n"
    "  --protect FOLDER\n"
    "            scan FOLDER too and mark it protected: its files are the copies\n"
    "            that stay and are never removed (the window's trash commands\n"
    "            never offer them); in --json sets they carry \"protected\": true.\n"
    "            May be given more than once.\n"
    "  --across  count only duplicate sets with files in two of the given\n"
    "            folders at least: copies that all lie inside one folder are not\n"
    "            matched, and are left out of the totals too. It applies to a\n"
    "            scan of folders, not of every drive.\n"
    "  --list    print every duplicate set instead of the summary, largest waste\n"
    "            first: a first line \"SIZE bytes each, COUNT files:\", then each\n"
    "            file on a line, and a blank line after each set. With --verify,\n"
    "            every class of two or more distinct files of identical content.\n"
    "  --list-folders\n"
    "            with --verify: print every set of identical folders instead of the\n"
    "            summary (after the sets of --list when both are given), the one\n"
    "            that frees most first: \"N identical folders, F files, B bytes\n"
    "            each, X bytes freed by keeping the first:\", each folder on a line,\n"
    "            a blank line. Identical folders hold the same relative paths, each\n"
    "            file of confirmed identical content (hard links count as the same),\n"
    "            empty files and empty subfolders included by name; only the\n"
    "            outermost match is listed, and an empty folder matches nothing.\n"
    "            Then every redundant folder (each of its files has a confirmed\n"
    "            copy outside it), with the folders holding its copies.\n"
    "  --du [N]  print the N largest folders (default 20) instead of the summary,\n"
    "            most disk usage first: a header line, then per folder its disk\n"
    "            usage (bytes of the blocks its files take, as du -sB1 counts them,\n"
    "            hard links once), size (apparent bytes, as du -sb), files, the\n"
    "            bytes of its files with an identical copy outside it (with --verify;\n"
    "            \"-\" without) and its path. Each figure is of the whole folder,\n"
    "            subfolders included; the folders' own blocks are not counted. N is\n"
    "            taken when the next argument is a number.\n"
    "  --min-size BYTES\n"
    "            leave files smaller than BYTES out of the sets and the totals\n"
    "            (the size the fingerprint keeps: the low 32 bits of a length)\n"
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
    "            top (the groups that waste most, with their files) and sets (every\n"
    "            duplicate set, as --list gives them: size, count, waste, mask and\n"
    "            files); with --verify also verified_duplicate_bytes,\n"
    "            groups_by_state (confirmed, partly, refuted, unknown) and, per top\n"
    "            group, state, verified_bytes, classes (lists of indices into files)\n"
    "            and each file's status, class and link_set. Texts are UTF-8: in a\n"
    "            path that is not, each invalid byte is replaced by U+FFFD and the\n"
    "            exact bytes are given in hexadecimal under \"path_bytes\" beside\n"
    "            \"path\". With --verify also folder_sets (each with folders,\n"
    "            files and bytes of one folder, and freed) and redundant_folders\n"
    "            (each with path, files, bytes and copies_in), as --list-folders.\n"
    "            Also folders: the largest folders as --du gives them (20, or N of\n"
    "            --du N), each with path, disk_usage, size, files and, with --verify,\n"
    "            copied_elsewhere (bytes).\n"
    "  --        what follows is a FOLDER, even when it begins with '-'\n"
    "  --help    print this text\n"
    "\n"
    "Environment:\n"
    "  LANBROOK_DRIVES  the drives the program sees: entries LETTER:=FOLDER\n"
    "                   separated by ';', each FOLDER absolute, e.g.\n"
    "                   \"C:=/home/ann;D:=/media/usb\". Unset: C:=/, the whole\n"
    "                   computer. A FOLDER argument must lie on one of them.\n"
    "                   System folders (/proc, /usr, /var, ...) and the data\n"
    "                   directory are never scanned.\n"
    "  USERPROFILE      the user's profile folder; the database is\n"
    "                   FileInfoData/FileInfo__.db in it. When unset, HOME is used.\n"
    "                   It may lie outside every drive of LANBROOK_DRIVES.\n"
    "\n"
    "A database file that is damaged is renamed beside itself (FileInfo__.db.broken-\n"
    "and the time) and a new one is made; standard error says so.\n"
    "\n"
    "Exit status: 0 after a run; 1 when the data directory or the database cannot\n"
    "be made or opened; 2 for bad arguments (a FOLDER that cannot be used among\n"
    "them) or when no data directory can be formed; 3 after a run in which writes\n"
    "to the database failed (another program holding it locked, a full disk): the\n"
    "next run repeats them.\n";

void printUsageError(const char* what, const char* argument) {
    std::fprintf(stderr, "lanbrook-scan: %s '%s'\n", what, argument);
    std::fprintf(stderr, "Usage: lanbrook-scan [options] [FOLDER...]; --help lists them\n");
}

// "--name VALUE" or "--name=VALUE": the value, advancing `i` past it; null
// when `argv[i]` is not this option.
const char* valueOf(const char* name, int argc, char** argv, int& i, bool& missing) {
    const std::size_t length = std::strlen(name);
    if (std::strncmp(argv[i], name, length) != 0) return nullptr;
    if (argv[i][length] == '=') return argv[i] + length + 1;
    if (argv[i][length] != '\0') return nullptr;
    if (i + 1 >= argc) {
        missing = true;
        return nullptr;
    }
    return argv[++i];
}

// A decimal byte count, digits only.
bool parseBytes(const char* text, std::uint64_t& out) {
    if (*text == '\0') return false;
    std::uint64_t value = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9') return false;
        const auto digit = static_cast<std::uint64_t>(*c - '0');
        if (value > (UINT64_MAX - digit) / 10) return false;
        value = value * 10 + digit;
    }
    out = value;
    return true;
}

}  // namespace

const char* ScanOptions::helpText() {
    return kHelp;
}

int ScanOptions::parse(int argc, char** argv) {
    bool onlyFolders = false;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (onlyFolders || argument[0] != '-' || argument[1] == '\0') {
            folders.emplace_back(argument);  // "-" alone is a folder's name too
            continue;
        }
        bool missing = false;
        if (std::strcmp(argument, "--") == 0) {
            onlyFolders = true;
        } else if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            std::fputs(kHelp, stdout);
            std::fputs(CleanupCommand::helpText(), stdout);
            return 0;
        } else if (std::strcmp(argument, "-q") == 0) {
            quiet = true;
        } else if (std::strcmp(argument, "--verify") == 0) {
            verify = true;
        } else if (std::strcmp(argument, "--json") == 0) {
            json = true;
        } else if (std::strcmp(argument, "--list") == 0) {
            list = true;
        } else if (std::strcmp(argument, "--list-folders") == 0) {
            listFolders = true;
        } else if (std::strcmp(argument, "--across") == 0) {
            across = true;
        } else if (cleanup.takeFlag(argument)) {
        } else if (const char* rules = valueOf("--keep", argc, argv, i, missing)) {
            if (!cleanup.readKeepRules(rules)) return kExitUsage;
        } else if (std::strcmp(argument, "--du") == 0) {
            du = true;
            std::uint64_t count = 0;
            if (i + 1 < argc && parseBytes(argv[i + 1], count)) {
                duCount = static_cast<std::size_t>(count);
                ++i;
            }
        } else if (const char* folder = valueOf("--protect", argc, argv, i, missing)) {
            protect.emplace_back(folder);
        } else if (const char* bytes = valueOf("--min-size", argc, argv, i, missing)) {
            if (!parseBytes(bytes, minSize)) {
                printUsageError("--min-size needs a number of bytes, not", bytes);
                return kExitUsage;
            }
        } else {
            printUsageError(missing ? "a value is missing after" : "unknown argument", argument);
            return kExitUsage;
        }
    }
    if (listFolders && !verify) {
        printUsageError("--verify is needed by", "--list-folders");
        return kExitUsage;
    }
    // The clean-up plans over the content check's classes.
    verify = verify || cleanup.active();
    return cleanup.check();
}

bool ScanOptions::resolveScope(AnalysisScope& scope, std::FILE* errors) const {
    AnalysisScope resolved;
    const auto add = [&](const std::string& native, bool isProtected) {
        std::string folder, reason;
        if (!platform::folderFromNative(native, folder, reason)) {
            std::fprintf(errors, "lanbrook-scan: cannot scan the folder '%s': %s\n", native.c_str(),
                         reason.c_str());
            return false;
        }
        resolved.addFolder(folder, isProtected);
        return true;
    };
    for (const std::string& native : folders)
        if (!add(native, false)) return false;
    for (const std::string& native : protect)
        if (!add(native, true)) return false;
    resolved.setAcross(across);
    scope = std::move(resolved);
    return true;
}
