// SPDX-License-Identifier: MIT
#include "util/platform/Wine.h"

namespace platform {

bool runningUnderWine() {
    return false;  // a POSIX program runs on its own system
}

}  // namespace platform
