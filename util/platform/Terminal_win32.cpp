// SPDX-License-Identifier: MIT
#include <io.h>

#include "util/platform/Terminal.h"

namespace platform {

bool isTerminal(std::FILE* stream) {
    return ::_isatty(::_fileno(stream)) != 0;
}

}  // namespace platform
