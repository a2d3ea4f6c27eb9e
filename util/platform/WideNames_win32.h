// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Names between the program's narrow form and the UTF-16 the shell's
// interfaces want. The narrow form is UTF-8: the programs' manifest makes
// UTF-8 their ANSI code page, so the narrow file calls take the same bytes.
namespace platform {

// False, leaving `wide` empty, when `name` is not valid UTF-8.
[[nodiscard]] bool toWideName(const std::string& name, std::wstring& wide);

// False, leaving `name` empty, when `wide` is not valid UTF-16.
[[nodiscard]] bool toNarrowName(const std::wstring& wide, std::string& name);

}  // namespace platform
