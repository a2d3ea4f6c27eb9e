// SPDX-License-Identifier: MIT
#pragma once

// The progress sink of a scan: told of every folder entered and every file
// handled. The default prints each folder on its own line and counts files.
class IInfoLog {
public:
    virtual ~IInfoLog() = default;
    virtual int print(const char* text);
    virtual void tick();

    int count = 0;
};
