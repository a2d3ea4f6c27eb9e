// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>

namespace platform {

// True when `stream` is connected to a terminal (a console window), where a
// progress line that rewrites itself can be shown.
[[nodiscard]] bool isTerminal(std::FILE* stream);

}  // namespace platform
