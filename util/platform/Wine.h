// SPDX-License-Identifier: MIT
#pragma once

namespace platform {

// True when the program runs under Wine rather than on Windows itself (its
// ntdll has Wine's own exports); always false on POSIX systems. For the few
// places where Wine's behaviour differs from Windows' and the program must
// choose another way.
[[nodiscard]] bool runningUnderWine();

}  // namespace platform
