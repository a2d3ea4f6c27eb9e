// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstdio>

#include "engine/IMessageTarget.h"

// The console runner's receiver of an analysis run: handles each message at
// once on the worker's thread. A progress block's text is written as a line
// (unless quiet) and the block freed; the latest file count is kept.
class ConsoleTarget : public IMessageTarget {
public:
    ConsoleTarget(std::FILE* out, bool quiet) : out_(out), quiet_(quiet) {}

    bool postMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override;

    // Files handled so far, as the last block or count message carried it.
    std::uint32_t fileCount() const { return fileCount_; }
    bool finished() const { return finished_; }

private:
    std::FILE* out_;
    bool quiet_;
    std::uint32_t fileCount_ = 0;
    bool finished_ = false;
};
