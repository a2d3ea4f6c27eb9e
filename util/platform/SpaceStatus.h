// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "util/platform/ContentFile.h"

namespace platform {

// What a file takes on its disk, read with its status: the whole length
// (the fingerprint keeps only its low 32 bits), the bytes of the blocks it
// occupies (sparse and compressed files take fewer than their length, a
// preallocated one more), how many names it has and which file it is (names
// with one identity are hard links of one file, whose blocks count once).
struct SpaceStatus {
    std::uint64_t length = 0;
    std::uint64_t allocated = 0;
    std::uint64_t links = 1;
    FileIdentity identity;
    // False where the system gave the length alone (Windows answers a
    // folder's listing without links, identities or allocation): then
    // `allocated`, `links` and `identity` say nothing.
    bool complete = false;
};

}  // namespace platform
