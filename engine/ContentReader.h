// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "util/platform/ContentFile.h"

// Reads files for the content check: a file's two ends (a cheap way to tell
// most different files apart) or the whole file, hashed with XXH3-128.
// Before reading it makes sure the open file is the one whose status was
// taken (same identity, length and time), and after a whole read that it did
// not change meanwhile. Counts the files it opens and the bytes it reads.
class ContentReader {
public:
    enum class Outcome {
        Done,        // `ends` (and for a whole read `hash`) hold the hashes
        Stopped,     // the stop flag was set between two blocks
        Changed,     // the file is no longer the one whose status was given
        Unreadable,  // it could not be opened or read; `reason` says why
    };
    struct Result {
        Outcome outcome = Outcome::Done;
        std::string hash;  // of the whole content: 32 lower-case hexadecimal digits
        std::string reason;
        std::string ends;  // of the two ends, as hashEnds() makes it
    };

    // Bytes read at each end by hashEnds().
    static constexpr std::size_t kEndBlock = 16 * 1024;
    // Bytes asked for by one read of a whole file.
    static constexpr std::size_t kWholeBlock = 1024 * 1024;

    ContentReader();

    // Called after each block of a whole read with the bytes it held.
    void setBlockListener(std::function<void(std::uint64_t bytes)> onBlock) {
        onBlock_ = std::move(onBlock);
    }

    // Hash of the first and the last kEndBlock bytes (with the length) of
    // the file of `path`, which must still have `expected` status.
    Result hashEnds(const std::string& path, const platform::FileStatus& expected);
    // Hash of the whole file, read in kWholeBlock blocks, and of its ends on
    // the way. When `stop` becomes true the reading ends between two blocks
    // with Stopped.
    Result hashWhole(const std::string& path, const platform::FileStatus& expected,
                     const std::atomic<bool>& stop);

    std::uint64_t filesOpened() const { return filesOpened_; }
    std::uint64_t bytesRead() const { return bytesRead_; }

private:
    // Opens `file`; a Result other than Done when it cannot be used.
    Result openChecked(platform::ContentFile& file, const std::string& path,
                       const platform::FileStatus& expected);
    // Keeps the start and the end of a whole read in ends_ after a block of `got` bytes.
    void keepEnds(std::size_t got, std::size_t& head, std::size_t& tail);

    std::function<void(std::uint64_t)> onBlock_;
    std::vector<unsigned char> buffer_;
    std::vector<unsigned char> ends_;  // the first and the last kEndBlock bytes seen
    std::uint64_t filesOpened_ = 0;
    std::uint64_t bytesRead_ = 0;
};

// The 32 hexadecimal digits of a file that holds no byte.
const std::string& emptyContentHash();
