// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class AnalysisScope;

// The command line of lanbrook-scan: [options] [FOLDER...].
struct ScanOptions {
    bool quiet = false;
    bool verify = false;
    bool json = false;
    bool list = false;
    bool listFolders = false;
    bool across = false;
    bool du = false;           // --du: print the largest folders
    std::size_t duCount = 20;  // how many (--du N), also the "folders" of --json
    std::uint64_t minSize = 0;
    std::vector<std::string> folders;  // native, as given
    std::vector<std::string> protect;  // native, as given (--protect)

    // Reads the arguments. -1 to go on; otherwise the exit status, after the
    // help text (0) or a usage error on standard error (2). "--" ends the
    // options, so a folder named "-q" can be given.
    int parse(int argc, char** argv);

    // True when the run's folders come from the command line, not the
    // stored scope.
    bool namesFolders() const { return !folders.empty() || !protect.empty(); }

    // The scope the arguments name: the folders and the protected folders
    // (which are walked too), in program form, with --across. False, having
    // said on `errors` which folder cannot be used and why (it does not
    // exist, is no folder, cannot be read, or no drive maps it).
    [[nodiscard]] bool resolveScope(AnalysisScope& scope, std::FILE* errors) const;

    static const char* helpText();
};
