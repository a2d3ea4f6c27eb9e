// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstdint>

// The space view's figures as the user reads them: bytes in binary units
// with one decimal ("1.5 GB", "830 KB", "12 字节"), a change with its sign
// ("+2.0 MB", "-512 字节", "0"), a share as a whole percentage, and a time
// of day in local time.
class SpaceFormat {
public:
    static QString bytes(std::uint64_t count);
    static QString change(std::int64_t delta);
    static QString share(double fraction);
    static QString count(std::uint64_t value);
    // "2026-12-10 19:30:05" in local time; "未知" for 0.
    static QString time(std::int64_t secondsSince1970);
};
