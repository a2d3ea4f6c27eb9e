// SPDX-License-Identifier: MIT
#include "engine/cli/ProgressLine.h"

#include "util/FileUtility.h"

void ProgressLine::show(std::uint64_t files, std::uint64_t bytes, bool now) {
    if (out_ == nullptr) return;
    const auto time = std::chrono::steady_clock::now();
    if (!now && time - last_ < std::chrono::milliseconds(250)) return;
    last_ = time;
    char done[32], total[32];
    std::fprintf(out_, "\r%s: %llu of %llu files, %s of %s\033[K", label_.c_str(),
                 static_cast<unsigned long long>(files),
                 static_cast<unsigned long long>(totalFiles_), FileUtility::formatSize(done, bytes),
                 FileUtility::formatSize(total, totalBytes_));
    std::fflush(out_);
}

void ProgressLine::clear() {
    if (out_ == nullptr) return;
    std::fputs("\r\033[K", out_);
    std::fflush(out_);
}
