// SPDX-License-Identifier: MIT
#include <unistd.h>

#include "util/platform/Terminal.h"

namespace platform {

bool isTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) == 1;
}

}  // namespace platform
