// SPDX-License-Identifier: MIT
#include "engine/FileInfoProc.h"

#include <cstring>

#include "util/platform/ReadOnlyFile.h"

namespace {

constexpr std::size_t kSampleCount = 9;
constexpr std::size_t kSampleSize = 4;
constexpr std::size_t kSampleBytes = kSampleCount * kSampleSize;  // 36
// Files up to this length are read whole in one call and sampled from memory:
// the same bytes as nine scattered reads, for one system call instead of nine.
constexpr std::size_t kReadWholeLimit = 4096;

void writeHex(char* out, const unsigned char* bytes, std::size_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < count; ++i) {
        out[2 * i] = kDigits[bytes[i] >> 4];
        out[2 * i + 1] = kDigits[bytes[i] & 0x0F];
    }
}

// The nine sample offsets are taken from the whole length, so a file of 4 GiB
// or more is sampled across all of it; only the size field keeps 32 bits.
std::uint64_t sampleOffset(std::size_t k, std::uint64_t length) {
    // floor(k * length / 9) without forming the product, which could overflow 64 bits.
    return k * (length / kSampleCount) + k * (length % kSampleCount) / kSampleCount;
}

void readSamples(platform::ReadOnlyFile& file, unsigned char* samples) {
    const std::uint64_t length = file.length();
    if (length < kSampleBytes) {
        file.readAt(0, samples, static_cast<std::size_t>(length));
        return;
    }
    if (length <= kReadWholeLimit) {
        unsigned char whole[kReadWholeLimit] = {};
        file.readAt(0, whole, static_cast<std::size_t>(length));
        for (std::size_t k = 0; k < kSampleCount; ++k)
            std::memcpy(samples + k * kSampleSize, whole + sampleOffset(k, length), kSampleSize);
        return;
    }
    for (std::size_t k = 0; k < kSampleCount; ++k)
        file.readAt(sampleOffset(k, length), samples + k * kSampleSize, kSampleSize);
}

}  // namespace

bool FileInfoProc::computeFingerprint(const char* path, std::int64_t& mtime, char* mask) {
    unsigned char samples[kSampleBytes] = {};
    platform::ReadOnlyFile file;
    if (!file.open(path)) return false;
    readSamples(file, samples);

    const auto size = static_cast<std::uint32_t>(file.length());  // the MASK keeps the low 32 bits
    const unsigned char sizeBytes[4] = {
        static_cast<unsigned char>(size), static_cast<unsigned char>(size >> 8),
        static_cast<unsigned char>(size >> 16), static_cast<unsigned char>(size >> 24)};
    writeHex(mask, sizeBytes, sizeof sizeBytes);
    writeHex(mask + 2 * sizeof sizeBytes, samples, kSampleBytes);
    mask[80] = '\0';
    mtime = file.modificationTime();
    return true;
}
