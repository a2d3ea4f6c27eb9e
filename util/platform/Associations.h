// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// The platform's file associations and program start, behind ShellUtility.
namespace platform {

// The open-command template for files whose name ends in `extension` (dot
// included, ".txt"): a program, in double quotes when it holds blanks or
// quotes of its own, then a blank and the parameter text, where "%1" stands
// for the file. Leaves `command` untouched and returns false when no program
// is associated, and (POSIX) when the extension's content type runs code
// (executables, shared libraries, scripts, desktop entries and their kin) or
// its program must run in a terminal, which a start without one would hide.
//
// Windows: the extension's key under HKEY_CLASSES_ROOT names a file type
// whose Shell\Open\Command holds the template, raw; a value or a key path
// that does not fit 260 bytes counts as missing.
[[nodiscard]] bool lookUpOpenCommand(const std::string& extension, std::string& command);

// Starts `program` without waiting for it, with the arguments `parameters`
// describes; every "%1" in them stands for the file at `path` (program form,
// C:\...). `program` may be a program-form path, a native path, or a bare
// name searched for in PATH.
//
// POSIX: no shell is involved. `parameters` is first cut into arguments by
// the shell's quoting rules (blanks, single and double quotes, backslash);
// only then is "%1" replaced inside each argument by the file's native path,
// so the path lies whole inside one argument whatever blanks, quotes, '%' or
// leading '-' its names hold. The child gets a new process group, stdin from
// /dev/null, and is reaped when it ends. Returns false, starting nothing,
// when a path names no mapped drive, the parameters do not parse or the start
// fails.
//
// Windows: every "%1" in `parameters` becomes the path, and the shell starts
// `program` with that text (verb "open", shown normally); false when the
// shell reports that nothing was started.
[[nodiscard]] bool startProgram(const std::string& program, const std::string& parameters,
                                const std::string& path);

}  // namespace platform
