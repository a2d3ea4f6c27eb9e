// SPDX-License-Identifier: MIT
#include "engine/IInfoLog.h"

#include <cstdio>

int IInfoLog::print(const char* text) {
    return std::printf("%s\n", text);
}

void IInfoLog::tick() {
    ++count;
}
