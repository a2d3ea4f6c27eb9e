// SPDX-License-Identifier: MIT
#include "engine/ContentReader.h"

#include <algorithm>
#include <memory>

// The hash is compiled in here from the header alone: one code path for
// every system, and the inlined hash loop keeps pace with the disk.
#define XXH_INLINE_ALL
#include <xxhash.h>

namespace {

using Outcome = ContentReader::Outcome;

std::string hexOf(const XXH128_hash_t& hash) {
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, hash);
    static const char kDigits[] = "0123456789abcdef";
    std::string text(32, '0');
    for (std::size_t i = 0; i < 16; ++i) {
        text[2 * i] = kDigits[canonical.digest[i] >> 4];
        text[2 * i + 1] = kDigits[canonical.digest[i] & 0x0f];
    }
    return text;
}

ContentReader::Result unreadable(const platform::FileError& error) {
    return {Outcome::Unreadable, {}, error.reason, {}};
}

// Frees the hash state however the reading ends.
struct StateDeleter {
    void operator()(XXH3_state_t* state) const { XXH3_freeState(state); }
};

}  // namespace

ContentReader::ContentReader() : buffer_(kWholeBlock), ends_(2 * kEndBlock) {}

ContentReader::Result ContentReader::openChecked(platform::ContentFile& file,
                                                 const std::string& path,
                                                 const platform::FileStatus& expected) {
    if (!file.open(path)) {
        if (file.error().missing) return {Outcome::Changed, {}, file.error().reason, {}};
        return unreadable(file.error());
    }
    ++filesOpened_;
    if (!platform::sameVersion(file.status(), expected)) return {Outcome::Changed, {}, {}, {}};
    return {};
}

ContentReader::Result ContentReader::hashEnds(const std::string& path,
                                              const platform::FileStatus& expected) {
    platform::ContentFile file;
    Result result = openChecked(file, path, expected);
    if (result.outcome != Outcome::Done) return result;
    const std::uint64_t length = expected.length;
    const std::size_t head = static_cast<std::size_t>(std::min<std::uint64_t>(length, kEndBlock));
    const std::uint64_t tailStart = length > kEndBlock ? length - kEndBlock : 0;
    const std::size_t tail = static_cast<std::size_t>(length - tailStart);
    const std::int64_t gotHead = file.readAt(0, buffer_.data(), head);
    const std::int64_t gotTail = file.readAt(tailStart, buffer_.data() + head, tail);
    if (gotHead < 0 || gotTail < 0) return unreadable(file.error());
    bytesRead_ += static_cast<std::uint64_t>(gotHead + gotTail);
    if (static_cast<std::size_t>(gotHead) != head || static_cast<std::size_t>(gotTail) != tail)
        return {Outcome::Changed, {}, {}, {}};
    result.ends = hexOf(XXH3_128bits_withSeed(buffer_.data(), head + tail, length));
    return result;
}

ContentReader::Result ContentReader::hashWhole(const std::string& path,
                                               const platform::FileStatus& expected,
                                               const std::atomic<bool>& stop) {
    platform::ContentFile file;
    Result result = openChecked(file, path, expected);
    if (result.outcome != Outcome::Done) return result;
    std::unique_ptr<XXH3_state_t, StateDeleter> state(XXH3_createState());
    if (!state || XXH3_128bits_reset(state.get()) == XXH_ERROR)
        return {Outcome::Unreadable, {}, "out of memory", {}};
    std::uint64_t total = 0;
    std::size_t head = 0;  // bytes of ends_ holding the start
    std::size_t tail = 0;  // bytes of the end after them
    for (;;) {
        if (stop.load(std::memory_order_relaxed)) return {Outcome::Stopped, {}, {}, {}};
        const std::int64_t got = file.read(buffer_.data(), buffer_.size());
        if (got < 0) return unreadable(file.error());
        if (got == 0) break;
        (void)XXH3_128bits_update(state.get(), buffer_.data(), static_cast<std::size_t>(got));
        keepEnds(static_cast<std::size_t>(got), head, tail);
        total += static_cast<std::uint64_t>(got);
        bytesRead_ += static_cast<std::uint64_t>(got);
        if (onBlock_) onBlock_(static_cast<std::uint64_t>(got));
        // A short block is the end of the file; reading past the expected
        // length means it grew while read.
        if (static_cast<std::size_t>(got) < buffer_.size() || total > expected.length) break;
    }
    platform::FileStatus after;
    if (total != expected.length || !file.refreshStatus(after) ||
        !platform::sameVersion(after, expected))
        return {Outcome::Changed, {}, {}, {}};
    result.hash = hexOf(XXH3_128bits_digest(state.get()));
    result.ends = hexOf(XXH3_128bits_withSeed(ends_.data(), head + tail, expected.length));
    return result;
}

void ContentReader::keepEnds(std::size_t got, std::size_t& head, std::size_t& tail) {
    // The start: the first kEndBlock bytes (a block is never shorter but at
    // the end of the file).
    if (head == 0) head = std::min(got, kEndBlock);
    // The end: the last kEndBlock bytes seen so far, kept behind the start.
    unsigned char* end = ends_.data() + head;
    if (got >= kEndBlock) {
        std::copy(buffer_.data() + got - kEndBlock, buffer_.data() + got, end);
        tail = kEndBlock;
        return;
    }
    const std::size_t kept = std::min(tail, kEndBlock - got);
    std::copy(end + tail - kept, end + tail, end);
    std::copy(buffer_.data(), buffer_.data() + got, end + kept);
    tail = kept + got;
}

const std::string& emptyContentHash() {
    static const std::string hash = hexOf(XXH3_128bits(nullptr, 0));
    return hash;
}
