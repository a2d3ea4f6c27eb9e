// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// The open-command template of a desktop entry's Exec line (POSIX only; it
// is part of the association seam there).
namespace platform {

// The program in double quotes, then every argument quoted for the shell,
// with the field codes %f %F %u %U turned into "%1" (the file), %% into %,
// and any other code dropped (an argument left empty by that goes whole). An
// entry without a file code gets the file as its last argument, so the
// template always holds "%1". False, `command` untouched, for a line that
// does not parse or whose program could not stand in double quotes or holds
// a field code.
[[nodiscard]] bool templateOfExec(const char* exec, std::string& command);

}  // namespace platform
