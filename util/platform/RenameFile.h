// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace platform {

// Gives the file `from` the name `to` (both program form, on one drive)
// unless a file of that name exists already: an existing file is never
// replaced, not even by a file that appears while this runs. False, with
// nothing changed, when `to` exists, a path names no mapped drive or the
// system refuses; `reason` then says why.
[[nodiscard]] bool renameWithoutReplacing(const std::string& from, const std::string& to,
                                          std::string& reason);

}  // namespace platform
