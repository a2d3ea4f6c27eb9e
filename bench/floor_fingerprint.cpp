// SPDX-License-Identifier: MIT
// The lower bound of a first scan: only the fingerprint's file I/O for every
// regular file (open, status, nine 4-byte reads at floor(k * length / 9), or
// one read for a file under 36 bytes, close), no database and no paths kept.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FileDescriptor.h"
#include "FloorProgram.h"

namespace {

constexpr int kSamples = 9;
constexpr int kSampleBytes = 4;
constexpr int kBufferBytes = kSamples * kSampleBytes;

void readSamples(int fd, std::uint64_t length, unsigned char* buffer) {
    if (length < kBufferBytes) {
        if (length > 0) (void)::pread(fd, buffer, length, 0);
        return;
    }
    for (int k = 0; k < kSamples; ++k) {
        const auto offset = static_cast<off_t>(k * length / kSamples);
        if (::pread(fd, buffer + k * kSampleBytes, kSampleBytes, offset) < 0) return;
    }
}

std::uint64_t fold(std::uint64_t checksum, const unsigned char* bytes, std::uint64_t length) {
    checksum = (checksum ^ length) * 0x100000001B3ULL;
    for (int i = 0; i < kBufferBytes; ++i) checksum = (checksum ^ bytes[i]) * 0x100000001B3ULL;
    return checksum;
}

bool fingerprint(const FloorEntry& entry, std::uint64_t& checksum) {
    if (entry.type != DT_REG) return false;
    const int flags = O_RDONLY | O_NONBLOCK;
    FileDescriptor fd(entry.absolute ? ::open(entry.path.c_str(), flags)
                                     : ::openat(entry.folderFd, entry.name, flags));
    if (!fd.valid()) return false;
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) return false;
    const auto length = static_cast<std::uint64_t>(status.st_size);
    unsigned char buffer[kBufferBytes] = {};
    readSamples(fd.get(), length, buffer);
    (void)fd.close();
    checksum = fold(checksum, buffer, length);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    return runFloor(argc, argv, "floor_fingerprint", fingerprint);
}
