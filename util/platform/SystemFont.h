// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace platform {

// The face the system's font mapper draws for a font named `face` (UTF-8):
// on Windows GDI's choice, which is always an installed face (a substitute
// when `face` itself is missing, as Windows' interface faces are under Wine);
// on POSIX systems `face` itself, matching being fontconfig's there. Empty
// when the system names none.
std::string systemFontFace(const std::string& face);

}  // namespace platform
