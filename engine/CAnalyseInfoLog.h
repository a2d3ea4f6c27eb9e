// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/IInfoLog.h"
#include "engine/IMessageTarget.h"

// The progress sink of an analysis run: passes the scanner's reports on to
// the target as posted messages. Each folder becomes a progress block
// (WM_ANALYSE_INFO, lParam 1) holding the file count and the text; file
// counts (WM_ANALYSE_INFO, lParam 2) go out at most once per clock second,
// the first only after the second of construction has passed.
class CAnalyseInfoLog : public IInfoLog {
public:
    explicit CAnalyseInfoLog(IMessageTarget* target);

    // Posts a progress block with `count` and `text`; the receiver frees it,
    // or this sink when the posting fails. Returns 1 when posted, 0 when not.
    int print(const char* text) override;
    // Counts one file and posts the count when the clock's second has changed.
    void tick() override;

    // The length of the longest beginning of `text` that fits in `limit`
    // bytes without cutting a character: a UTF-8 sequence is kept whole or
    // left out entirely.
    static std::size_t fittingLength(const char* text, std::size_t limit);

private:
    IMessageTarget* target_;
    std::int64_t lastPostTime_;
};
