// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Opening a user's file with the program the system associates with its type.
// Stateless helpers over the platform's association seam
// (util/platform/Associations.h). An open command is a template: a program
// (quoted when it holds blanks) followed by its parameter text, in which "%1"
// stands for the file and %NAME% for an environment variable.
class ShellUtility {
public:
    // Size of the caller's buffer for an open command: at most 259 characters
    // and the terminating zero. A longer command counts as not found.
    static constexpr std::size_t kCommandBufferSize = 260;

    // Looks up the raw open command of files with `extension` (dot included,
    // ".txt"); quotes, "%1" and environment references are left in place.
    // Copies it into `command` (kCommandBufferSize bytes) unless that is null.
    // False, leaving `command` untouched, for a null extension, for an
    // extension without a command and for a command that does not fit.
    [[nodiscard]] static bool getOpenCommand(const char* extension, char* command);

    // The open command of the file at `path` (program form, C:\...). Files
    // that are programs themselves are never opened: a name without an
    // extension, and the extensions .com, .exe, .dll and .bat in any letter
    // case, give false without any lookup.
    [[nodiscard]] static bool findOpenCommand(const char* path, char* command);

    // Expands the environment references of `command`, then cuts it into the
    // program and the parameter text: a program in double quotes ends at the
    // next quote (the parameters are everything after it, leading blank
    // included); an unquoted one ends at the first blank (the parameters are
    // everything after that blank). Empty when a quote is not closed or there
    // is no blank after an unquoted program; otherwise exactly two texts.
    static std::vector<std::string> splitCommandLine(std::string command);

    // Starts the program of `command` on the file at `path` and does not wait
    // for it. The command is split before the path is filled in: every "%1"
    // then stands for the whole path, which is never cut at its blanks or
    // quotes and never has environment references expanded. Nothing happens
    // when either argument is null or the command does not split in two; a
    // failed start is not reported.
    static void openWithCommand(const char* command, const char* path);
};
