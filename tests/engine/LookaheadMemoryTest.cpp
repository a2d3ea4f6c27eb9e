// SPDX-License-Identifier: MIT
// What the walk holds ahead of the scanner: this program counts the bytes
// live on the heap and the most they reached, so the listings the walker's
// threads hold show, while the scanner is held up and while it runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <new>
#include <thread>

#include "EngineTest.h"
#include "ScopedEnvironment.h"
#include "engine/FileInfoProc.h"

namespace {

std::atomic<long long> liveBytes{0};
std::atomic<long long> mostLiveBytes{0};  // since it was last set to liveBytes

// Each block carries its size in front of it, so that a delete without one
// can count it off.
constexpr std::size_t kHeader = 16;

void* allocate(std::size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (block == nullptr) throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(block) = size;
    const long long live =
        liveBytes.fetch_add(static_cast<long long>(size), std::memory_order_relaxed) +
        static_cast<long long>(size);
    long long most = mostLiveBytes.load(std::memory_order_relaxed);
    while (live > most && !mostLiveBytes.compare_exchange_weak(most, live)) {
    }
    return block + kHeader;
}

void release(void* pointer) noexcept {
    if (pointer == nullptr) return;
    unsigned char* block = static_cast<unsigned char*>(pointer) - kHeader;
    liveBytes.fetch_sub(static_cast<long long>(*reinterpret_cast<std::size_t*>(block)),
                        std::memory_order_relaxed);
    std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void operator delete(void* pointer) noexcept {
    release(pointer);
}
void operator delete[](void* pointer) noexcept {
    release(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
    release(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
    release(pointer);
}

namespace {

// Holds the scanner at the first folder until the heap has stopped growing
// (the walker's threads wait for it), and notes the most it grew meanwhile.
class HoldingLog : public IInfoLog {
public:
    explicit HoldingLog(long long baseline) : baseline_(baseline) {}

    int print(const char*) override {
        if (held_) return 1;
        held_ = true;
        using Clock = std::chrono::steady_clock;
        const auto start = Clock::now();
        auto steadySince = start;
        long long last = liveBytes.load();
        while (Clock::now() - steadySince < std::chrono::milliseconds(500) &&
               Clock::now() - start < std::chrono::seconds(20)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            const long long now = liveBytes.load();
            growth = std::max(growth, now - baseline_);
            if (now != last) steadySince = Clock::now();
            last = now;
        }
        return 1;
    }

    long long growth = 0;

private:
    const long long baseline_;
    bool held_ = false;
};

}  // namespace

class LookaheadMemoryTest : public EngineTest {
protected:
    static constexpr int kFolders = 30;
    static constexpr int kFiles = 1000;
    static constexpr long long kBudget = 1 << 20;

    // Folders of many files with long names, far more than the budget in
    // all: the whole tree's paths alone take more than 3 MiB.
    void SetUp() override {
        EngineTest::SetUp();
        const std::string name(100, 'n');
        for (int folder = 0; folder < kFolders; ++folder)
            for (int file = 0; file < kFiles; ++file)
                tree_.writeFile("f" + std::to_string(folder) + "/" + name + std::to_string(file),
                                "");
    }

    // Scans the tree with the budget; returns the most the heap grew during
    // the scan (the scanner's own folder in hand included) and, through
    // `held`, while the scanner was held up at the first folder.
    long long scan(std::int64_t lastScanTime, long long& held) {
        ScopedEnvironment budget("LANBROOK_LOOKAHEAD_KIB", std::to_string(kBudget >> 10));
        FileInfoProc scanner(folder().c_str(), FileInfoProc::ScanMode::Fast);
        scanner.lastScanTime = lastScanTime;
        const long long baseline = liveBytes.load();
        mostLiveBytes.store(baseline);
        HoldingLog log(baseline);
        scanner.scanFolder(scanner.rootPath().c_str(), log);
        EXPECT_EQ(log.count, kFolders * kFiles);
        held = log.growth;
        return mostLiveBytes.load() - baseline;
    }
};

// The walk may list and queue only about the budget ahead of the scanner
// (plus one folder that alone exceeds what is left), whatever the tree;
// while the scanner is held up and while it runs, in a first scan and in a
// rescan (whose listings read every file's status and take longer).
TEST_F(LookaheadMemoryTest, ListingsHeldAheadOfTheScannerStayWithinTheBudget) {
    long long held = 0;
    const long long first = scan(0, held);
    EXPECT_LT(held, 2 * kBudget) << "first scan, held up: " << held;
    EXPECT_LT(first, 3 * kBudget) << "first scan: " << first;
    const long long rescan = scan(std::time(nullptr) + 1, held);
    EXPECT_LT(held, 2 * kBudget) << "rescan, held up: " << held;
    EXPECT_LT(rescan, 3 * kBudget) << "rescan: " << rescan;
}
