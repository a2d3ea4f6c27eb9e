// SPDX-License-Identifier: MIT
// Progress blocks change owner with their message. This program counts the
// live 512-byte array allocations, so that a block neither side frees shows.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

#include "engine/CAnalyseInfoLog.h"

namespace {

std::atomic<int> liveBlocks{0};
constexpr int kTracked = 64;
std::atomic<void*> tracked[kTracked];

void track(void* block) {
    for (auto& slot : tracked) {
        void* expected = nullptr;
        if (slot.compare_exchange_strong(expected, block)) {
            ++liveBlocks;
            return;
        }
    }
}

void untrack(void* block) {
    for (auto& slot : tracked) {
        void* expected = block;
        if (block != nullptr && slot.compare_exchange_strong(expected, nullptr)) {
            --liveBlocks;
            return;
        }
    }
}

// Refuses every message, as a window that is gone does.
class GoneTarget : public IMessageTarget {
public:
    bool postMessage(unsigned, std::uintptr_t, std::intptr_t) override { return false; }
};

// Accepts every message and keeps the blocks without freeing them yet.
class KeepingTarget : public IMessageTarget {
public:
    bool postMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) override {
        if (message == WM_ANALYSE_INFO && lParam == kInfoProgressBlock)
            kept.emplace_back(reinterpret_cast<char*>(wParam));
        return true;
    }
    std::vector<std::unique_ptr<char[]>> kept;
};

}  // namespace

void* operator new[](std::size_t size) {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    if (size == kProgressBlockSize) track(block);
    return block;
}

void operator delete[](void* block) noexcept {
    untrack(block);
    std::free(block);
}

void operator delete[](void* block, std::size_t) noexcept {
    untrack(block);
    std::free(block);
}

TEST(BlockOwnershipTest, BlockWhosePostingFailsIsFreedBySender) {
    GoneTarget target;
    CAnalyseInfoLog log(&target);
    const int before = liveBlocks;
    EXPECT_EQ(log.print("C:\\DATA\\"), 0);
    EXPECT_EQ(liveBlocks, before);
}

TEST(BlockOwnershipTest, PostedBlockBelongsToTheReceiver) {
    KeepingTarget target;
    CAnalyseInfoLog log(&target);
    const int before = liveBlocks;
    EXPECT_EQ(log.print("C:\\DATA\\"), 1);
    EXPECT_EQ(liveBlocks, before + 1);  // alive until the receiver lets it go
    target.kept.clear();
    EXPECT_EQ(liveBlocks, before);
}
