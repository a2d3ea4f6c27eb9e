// SPDX-License-Identifier: MIT
#include "engine/cli/ConsoleTarget.h"

#include <cstring>
#include <memory>

bool ConsoleTarget::postMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (message == WM_ANALYSE_STATE) {
        if (wParam == kStateFinished) finished_ = true;
        return true;
    }
    if (message != WM_ANALYSE_INFO) return true;
    if (lParam == kInfoFileCount) {
        fileCount_ = static_cast<std::uint32_t>(wParam);
        return true;
    }
    if (lParam != kInfoProgressBlock) return true;
    // The block is ours from here on.
    const std::unique_ptr<char[]> block(reinterpret_cast<char*>(wParam));
    if (!block) return true;
    std::memcpy(&fileCount_, block.get(), sizeof fileCount_);
    const char* text = block.get() + kProgressTextOffset;
    const std::size_t room = kProgressBlockSize - kProgressTextOffset;
    const void* end = std::memchr(text, 0, room);
    const std::size_t length =
        end ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : room;
    if (!quiet_) {
        std::fwrite(text, 1, length, out_);
        std::fputc('\n', out_);
    }
    return true;
}
