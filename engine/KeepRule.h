// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "engine/GroupCheck.h"

// One criterion for which file of a content class stays when the others go.
// Rules are applied in the order the user gives them, each one breaking the
// ties the one before left; the file first in the group's list wins a tie
// that every rule leaves.
struct KeepRule {
    enum class Kind {
        Protected,     // in a protected folder
        InFolder,      // under `folder` (a folder path in program form, ending in a backslash)
        Oldest,        // the earliest modification time
        Newest,        // the latest modification time
        ShortestPath,  // the fewest bytes in its full path
        LongestPath,   // the most bytes in its full path
        Shallowest,    // the fewest folders above it
        Deepest,       // the most folders above it
        PlainName,  // a name without the marks copies get (" (1)", "副本", " - Copy", "copy of")
    };

    Kind kind = Kind::Protected;
    std::string folder;  // InFolder only

    // Reads the command line's spelling: "path:PREFIX" (a native or program
    // folder, turned into program form by the caller), "oldest", "newest",
    // "shortest-path", "longest-path", "shallowest", "deepest", "plain-name".
    // False, with `error` set, for anything else.
    [[nodiscard]] static bool parse(const std::string& text, KeepRule& rule, std::string& error);
    // Reads a comma-separated list of rules.
    [[nodiscard]] static bool parseList(const std::string& text, std::vector<KeepRule>& rules,
                                        std::string& error);
    // The rules used when the user gives none: a name without copy marks,
    // then the oldest (the file the copies were most likely made from).
    static std::vector<KeepRule> defaults();
    static constexpr const char* kDefaultSpelling = "plain-name,oldest";

    // The command line's spelling of this rule ("protected" for Protected).
    std::string spelling() const;
    // The rule in the window's words.
    std::string description() const;

    // How well `file` of `group` meets this rule: lower is better. `isProtected`
    // answers for the file's path, for Protected.
    long long rank(const CheckedFile& file, bool isProtected) const;

    // Whether `name` carries a mark that copies get.
    static bool hasCopyMark(const std::string& name);
};
