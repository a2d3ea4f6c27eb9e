// SPDX-License-Identifier: MIT
#include "util/platform/SystemFont.h"

namespace platform {

std::string systemFontFace(const std::string& face) {
    return face;  // Qt asks fontconfig itself, which substitutes as it sees fit
}

}  // namespace platform
