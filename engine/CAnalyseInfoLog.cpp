// SPDX-License-Identifier: MIT
#include "engine/CAnalyseInfoLog.h"

#include <cstring>
#include <ctime>
#include <memory>

namespace {

constexpr std::size_t kMaxText = kProgressBlockSize - kProgressTextOffset - 1;  // 507

std::int64_t nowSeconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

bool isContinuationByte(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

}  // namespace

CAnalyseInfoLog::CAnalyseInfoLog(IMessageTarget* target)
    : target_(target), lastPostTime_(nowSeconds()) {}

std::size_t CAnalyseInfoLog::fittingLength(const char* text, std::size_t limit) {
    const std::size_t length = std::strlen(text);
    if (length <= limit) return length;
    // Step back from the cut while it would split a sequence: the byte after
    // the cut continues the character that began before it.
    std::size_t cut = limit;
    while (cut > 0 && isContinuationByte(static_cast<unsigned char>(text[cut]))) --cut;
    return cut;
}

int CAnalyseInfoLog::print(const char* text) {
    if (target_ == nullptr) return 0;
    std::unique_ptr<char[]> block(new char[kProgressBlockSize]());
    const auto blockCount = static_cast<std::uint32_t>(count);
    std::memcpy(block.get(), &blockCount, sizeof blockCount);
    if (text != nullptr)
        std::memcpy(block.get() + kProgressTextOffset, text, fittingLength(text, kMaxText));
    if (!target_->postMessage(WM_ANALYSE_INFO, reinterpret_cast<std::uintptr_t>(block.get()),
                              kInfoProgressBlock)) {
        return 0;  // never delivered: the block is freed here
    }
    (void)block.release();  // the receiver owns it now
    return 1;
}

void CAnalyseInfoLog::tick() {
    ++count;
    const std::int64_t now = nowSeconds();
    if (now == lastPostTime_) return;
    lastPostTime_ = now;
    if (target_ != nullptr)
        (void)target_->postMessage(WM_ANALYSE_INFO, static_cast<std::uintptr_t>(count),
                                   kInfoFileCount);
}
